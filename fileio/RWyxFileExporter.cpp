#include "fileio/RWyxFileExporter.h"

RWyxFileExporter::~RWyxFileExporter() = default;
