#include "formats/motion/RStreamOptionsMotion.h"

RStreamOptionsMotion* RStreamOptionsMotion::Create() { return CreatePlugObject<RStreamOptionsMotion>(nullptr); }
