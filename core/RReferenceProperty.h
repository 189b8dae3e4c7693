#ifndef WYX_CORE_RREFERENCEPROPERTY_H
#define WYX_CORE_RREFERENCEPROPERTY_H

// A property that refers to another property (type code 17): it is connected as a
// destination of the property it refers to, and is removed from its object when that
// property goes away.

#include "core/RProperty.h"

class RReferenceProperty : public RProperty {
public:
    RReferenceProperty() { SetTypeCode(kPropertyTypeReference); }
};

#endif
