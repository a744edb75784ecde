// Extents of an object's bounds.
#include "pmdde/lists.h"

#include <cmath>

float TPmObject::Extent24() const {
    return static_cast<float>(std::fabs(std::fabs(static_cast<long double>(Real4)) - std::fabs(static_cast<long double>(Real2))));
}

float TPmObject::Extent13() const {
    return static_cast<float>(std::fabs(std::fabs(static_cast<long double>(Real3)) - std::fabs(static_cast<long double>(Real1))));
}
