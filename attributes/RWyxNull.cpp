#include "attributes/RWyxNull.h"

RWyxNull::RWyxNull(RWyxObjectFactory* factory) : RWyxNull(factory, CreatePlugObject<RWyxNullProperties>(nullptr)) {}

RWyxNull::RWyxNull(RWyxObjectFactory* factory, RWyxNullProperties* properties)
    : RWyxChannelAttribute(factory, properties, properties->GetTable()) {}
