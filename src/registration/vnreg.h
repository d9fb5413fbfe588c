// Unit VNReg: what the package registers with the IDE, the unit's start-up and
// shut-down, and the one settings store.
#pragma once

#include "registration/design_settings.h"

namespace VNReg {

// The settings store: set by the unit's first start-up, null again after its
// last shut-down. The unit owns it; everyone else only uses it.
extern TDesignSettings* DesignSettings;

// Called by the IDE once after the package started: palette page, editors,
// property categories and structure-view nodes.
void Register();

// Unit start-up and shut-down, called through the package's unit table. Only the
// first start-up and the last shut-down in the process do work.
void Initialization();
void Finalization();

}  // namespace VNReg

// The package model's exported name of VNReg's Register.
extern "C" void VNReg_Register();
