// A form held by the designer: its event properties keep handler names alone.
#pragma once

#include <memory>

#include "rtl/Classes.h"

std::unique_ptr<TComponent> NewDesignForm();
