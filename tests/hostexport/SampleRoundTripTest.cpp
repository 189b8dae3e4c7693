#include "ExportTestSupport.h"
