#include "fileio/RWyxFileImporter.h"

RWyxFileImporter::~RWyxFileImporter() = default;
