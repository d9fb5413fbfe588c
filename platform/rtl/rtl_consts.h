// Message texts of the base library, worded as the platform words them so that
// what a person sees matches what the platform would show.
#pragma once

namespace rtl_consts {

inline constexpr const char* SInvalidFormat = "Format '%s' invalid or incompatible with argument";
inline constexpr const char* SArgumentMissing = "No argument for format '%s'";
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* SDateEncodeError = "Invalid argument to date encode";
inline constexpr const char* STimeEncodeError = "Invalid argument to time encode";
inline constexpr const char* SAssertError = "%s (%s, line %d)";
inline constexpr const char* SAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* SAbstractInstance = "Cannot create an instance of abstract class %s";

inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";

inline constexpr const char* SInvalidName = "'%s' is not a valid component name";
inline constexpr const char* SDuplicateName = "A component named %s already exists";
inline constexpr const char* SOwnerCycle = "Cannot insert %s into a component it owns";

inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";

inline constexpr const char* SDuplicateClass = "A class named %s already exists";
inline constexpr const char* SClassNotFound = "Class %s not found";

inline constexpr const char* SPropertyNotFound = "Property %s does not exist";
inline constexpr const char* SPropertyReadOnly = "Property %s is read-only";
inline constexpr const char* SPropertyKind = "Property %s does not hold %s";
inline constexpr const char* SPropertyRange = "%d is out of range for property %s (%d..%d)";
inline constexpr const char* SPropertyElement = "Invalid property element %s for property %s";
inline constexpr const char* SPropertyText = "'%s' is not a valid value for property %s";
inline constexpr const char* SPropertyNil = "Property %s cannot be assigned from nothing";
inline constexpr const char* SReferenceClass = "%s is not a %s, which property %s refers to";
inline constexpr const char* SComponentNotFound = "Component %s not found (property %s)";
inline constexpr const char* SMethodNotFound = "Method %s not found in %s (property %s)";
inline constexpr const char* SHandlerMismatch = "Method %s does not fit property %s (%s)";

inline constexpr const char* SCollectionItemClass = "%s is no collection item class";

inline constexpr const char* SParamNotFound = "Parameter '%s' not found";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SIndexNotFound = "Index '%s' not found";
inline constexpr const char* SDataSetOpen = "%s: cannot change %s of an open dataset";
inline constexpr const char* SRecordShape = "%s: record %d holds %d values for %d fields";

}  // namespace rtl_consts
