// Run-time error texts as the language run-time gives them.
#include "host/error_info.h"

namespace bellnest {

namespace {
const char* RuntimeDescription(int32_t number) {
  switch (number) {
    case err::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case err::kSubscriptOutOfRange:
      return "Subscript out of range";
    case err::kTypeMismatch:
      return "Type mismatch";
    case err::kObjectNotSet:
      return "Object variable or With block variable not set";
    case err::kCantCreateObject:
      return "ActiveX component can't create object";
    case err::kObjectDoesNotSupport:
      return "Object doesn't support this property or method";
    case err::kObjectRequired:
      return "Object required";
    case err::kDuplicateKey:
      return "This key is already associated with an element of this collection";
    case err::kFileNotFound:
      return "File not found";
    case err::kPathFileAccess:
      return "Path/File access error";
    case err::kPathNotFound:
      return "Path not found";
    case err::kTreeIndexOutOfBounds:
      return "Index out of bounds";
    case err::kTreeElementNotFound:
      return "Element not found";
    case err::kTreeKeyNotUnique:
      return "Key is not unique in collection";
    default:
      return "Application-defined or object-defined error";
  }
}
}  // namespace

ErrorInfo RuntimeError(int32_t number) { return ErrorInfo{number, RuntimeDescription(number), kProjectName}; }

ErrorInfo HostError(int32_t number, std::string description, std::string source) {
  return ErrorInfo{number, std::move(description), std::move(source)};
}

}  // namespace bellnest
