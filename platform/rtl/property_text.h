// Helpers that published-property access and form files share: numbers as
// text, references by name, events by method name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rtl/Classes.h"
#include "rtl/TypInfo.h"

namespace property_text {

// Decimal with an optional '-', or $hex (up to 16 digits, taken as the bits).
bool ParseInt64(std::string_view S, std::int64_t& Value) noexcept;
// A decimal number with optional fraction and exponent, nothing else.
bool ParseFloat(std::string_view S, double& Value) noexcept;
// The fewest digits that read back as the same double ("1.5", "1e+20", "3").
std::string FloatToText(double Value);

// The component a form file or the inspector names: a component of Root, Root
// itself by its own name, or "Owner.Name" where Owner is one of those two.
TComponent* FindReference(const TComponent& Root, std::string_view Name);

// Assigns the method Name of Root to an event property: "" clears it. A Root
// that lacks the method raises EPropertyConvertError unless it is designing,
// when the name alone is kept.
void BindMethod(TObject& AObject, const TPropInfo& Prop, const std::string& Name, const TComponent* Root);

}  // namespace property_text
