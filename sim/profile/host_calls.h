// The vocabulary of the simulated Outlook's host calls: the object kinds and methods it
// answers, the errors it raises, the record of every call and the fault rules that make
// chosen calls fail. Tests and benchmarks read the record; profiles and tests set faults.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/error_info.h"

namespace bellnest::sim {

// HRESULTs the simulated hosts raise beyond those of host/error_info.h.
namespace hr {
inline constexpr int32_t kInvalidEntryId = static_cast<int32_t>(0x80040107);  // MAPI_E_INVALID_ENTRYID
inline constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);      // E_INVALIDARG
inline constexpr int32_t kBadIndex = static_cast<int32_t>(0x8002000B);        // DISP_E_BADINDEX
inline constexpr int32_t kLogonFailed = static_cast<int32_t>(0x80040111);     // MAPI_E_LOGON_FAILED
inline constexpr int32_t kNotInitialized = static_cast<int32_t>(0x80040605);  // MAPI_E_NOT_INITIALIZED
}  // namespace hr

// Object kinds as the call record and fault rules name them.
namespace kind {
inline constexpr const char* kPropertyPageSite = "PropertyPageSite";
inline constexpr const char* kApplication = "Application";
inline constexpr const char* kComAddIns = "COMAddIns";
inline constexpr const char* kComAddIn = "COMAddIn";
inline constexpr const char* kAddInObject = "AddInObject";  // COMAddIn.Object
inline constexpr const char* kPPClass = "PPClass";          // AddInObject.PPClass
inline constexpr const char* kNameSpace = "NameSpace";
inline constexpr const char* kMapiObject = "MAPIOBJECT";  // NameSpace's MAPI session
inline constexpr const char* kMapiFolder = "MAPIFolder";
inline constexpr const char* kFolders = "Folders";
inline constexpr const char* kFolderEnumerator = "FolderEnumerator";
inline constexpr const char* kRdoFactory = "RDOFactory";
inline constexpr const char* kRdoSession = "RDOSession";
inline constexpr const char* kRdoStores = "RDOStores";
inline constexpr const char* kRdoStore = "RDOStore";
inline constexpr const char* kRdoReminders = "RDOReminders";
inline constexpr const char* kRdoFolder = "RDOFolder";
inline constexpr const char* kRdoSearchFolder = "RDOSearchFolder";
inline constexpr const char* kRdoSearchContainers = "RDOSearchContainers";
}  // namespace kind

// Whether kind.method is a call the simulation answers (and so can record and fail).
bool IsKnownCall(std::string_view kind, std::string_view method);
// Whether the call returns an object, so that a fault may make it answer Nothing.
bool ReturnsObject(std::string_view kind, std::string_view method);
bool IsKnownKind(std::string_view kind);
// "Application, COMAddIns, ..." for error messages.
std::string KnownKindList();
std::string KnownMethodList(std::string_view kind);
bool IsOutlookKind(std::string_view kind);
// ProgIDs, member names and hex identifiers compare this way.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Errors as the two hosts word them: Outlook with its own texts, the RDO library naming the
// failing member and the MAPI code.
ErrorInfo OutlookError(int32_t number);
ErrorInfo RdoError(std::string_view kindName, std::string_view method, int32_t number);
// The error a host object of this kind raises with this number.
ErrorInfo KindError(std::string_view kindName, std::string_view method, int32_t number);
// Symbolic names ("MAPI_E_NOT_FOUND", "E_FAIL", ...) and back; unknown numbers print in decimal.
std::optional<int32_t> ErrorNumberByName(std::string_view name);
std::string ErrorName(int32_t number);
// A value quoted for a message: in single quotes, cut to a short excerpt (at a character
// boundary, marked "...") so that a huge value cannot flood the message.
std::string Quoted(std::string_view text);

// One host call as the simulation saw it. Object arguments read "Kind(EntryID)"; Target is
// the identity of the called object (a folder's or store's entry identifier), empty for
// objects without one.
struct HostCall {
  std::string Kind;
  std::string Method;
  std::vector<std::string> Args;
  std::string Target;
  bool Ok = true;
  int32_t ErrorNumber = 0;

  // RDOSession.GetFolderFromID("00..", "00..") -> MAPI_E_NOT_FOUND
  std::string ToString() const;
};

// Makes matching calls fail with Error (or answer Nothing). Empty selectors match anything;
// "*" as kind or method matches any. Nth counts the calls that match the other selectors:
// 0 fails every one, n fails the n-th and, with Count, the Count-1 after it (Count 0: all
// from the n-th on).
struct FaultRule {
  std::string Kind;
  std::string Method;
  std::optional<std::string> Arg;     // equals one argument (or the identifier of an object argument)
  std::optional<std::string> Target;  // the called object's identifier, compared ignoring case
  int Nth = 0;
  int Count = 1;
  bool ReturnNothing = false;  // answer Nothing instead of failing (object results only)
  ErrorInfo Error;
  int Seen = 0;  // matching calls so far

  // Whether the call matches the selectors (does not count it).
  bool Matches(std::string_view kindName, std::string_view method, const std::vector<std::string>& args,
               std::string_view target) const;
  // Counts a matching call and answers whether this one fails.
  bool Trips();
};

// A fault for kind.method with the host's own error for that number (MAPI_E_CALL_FAILED when 0).
FaultRule MakeFault(std::string kindName, std::string method, int32_t number = 0);
// Checks kinds, methods and the Nothing option against what the simulation answers.
Status ValidateFault(const FaultRule& rule);

// The ordered record of host calls, with counts per kind.method kept even while recording
// of the details is switched off (benchmarks).
class CallRecord {
 public:
  void Add(HostCall call);
  const std::vector<HostCall>& Calls() const { return calls_; }
  size_t Total() const { return total_; }
  int Count(std::string_view kindName, std::string_view method) const;
  void Clear();
  void SetRecording(bool on) { recording_ = on; }
  bool Recording() const { return recording_; }

 private:
  std::vector<HostCall> calls_;
  std::map<std::string, int, std::less<>> counts_;
  size_t total_ = 0;
  bool recording_ = true;
};

}  // namespace bellnest::sim
