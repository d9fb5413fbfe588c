// Unit TreeIntf: nodes ("sprigs") of the IDE's structure view.
#pragma once

#include "rtl/System.h"

// Nodes of SprigClass stand for components of ComponentClass and its
// descendants in the structure view. Recorded like the registrations of
// DesignIntf, on behalf of the package whose Register is running.
void RegisterSprigType(const TMetaClass& ComponentClass, const TMetaClass& SprigClass);
