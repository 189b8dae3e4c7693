#include "scene/RWyxSceneInfo.h"

void RWyxSceneInfo::Clear()
{
    *this = RWyxSceneInfo();
}
