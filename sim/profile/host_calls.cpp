// Host call vocabulary, error texts, the call record and fault matching.
#include "sim/profile/host_calls.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace bellnest::sim {

namespace {

struct MethodInfo {
  const char* Name;
  bool ReturnsObject;
};

struct KindInfo {
  const char* Name;
  bool Outlook;
  std::vector<MethodInfo> Methods;
};

const std::vector<KindInfo>& Kinds() {
  static const std::vector<KindInfo> kinds = {
      {kind::kPropertyPageSite, true, {{"Application", true}, {"OnStatusChange", false}}},
      {kind::kApplication, true, {{"COMAddIns", true}, {"GetNamespace", true}, {"Version", false}}},
      {kind::kComAddIns, true, {{"Item", true}}},
      {kind::kComAddIn, true, {{"Object", true}}},
      {kind::kAddInObject, true, {{"PPClass", true}}},
      {kind::kPPClass, true, {{"Online", false}}},
      {kind::kNameSpace, true, {{"GetDefaultFolder", true}, {"GetFolderFromID", true}, {"MAPIOBJECT", true}, {"Offline", false}}},
      {kind::kMapiObject, true, {}},
      {kind::kMapiFolder,
       true,
       {{"Parent", true}, {"EntryID", false}, {"StoreID", false}, {"Name", false}, {"Folders", true}}},
      {kind::kFolders, true, {{"NewEnum", true}}},
      {kind::kFolderEnumerator, true, {{"Next", true}}},
      {kind::kRdoFactory, false, {{"CreateSession", true}}},
      {kind::kRdoSession,
       false,
       {{"Logon", false},
        {"MAPIOBJECT", false},
        {"ProfileName", false},
        {"Stores", true},
        {"GetFolderFromID", true},
        {"CompareEntryIDs", false}}},
      {kind::kRdoStores, false, {{"DefaultStore", true}}},
      {kind::kRdoStore, false, {{"EntryID", false}, {"Reminders", true}}},
      {kind::kRdoReminders, false, {{"SearchFolder", true}}},
      {kind::kRdoFolder, false, {{"EntryID", false}, {"StoreID", false}, {"Name", false}, {"Fields", false}}},
      {kind::kRdoSearchFolder,
       false,
       {{"EntryID", false},
        {"StoreID", false},
        {"Name", false},
        {"Fields", false},
        {"SearchContainers", true},
        {"Stop", false},
        {"Start", false},
        {"IsRunning", false}}},
      {kind::kRdoSearchContainers, false, {{"Count", false}, {"Item", true}, {"Add", false}, {"Remove", false}}},
  };
  return kinds;
}

const KindInfo* FindKind(std::string_view name) {
  for (const KindInfo& k : Kinds())
    if (name == k.Name) return &k;
  return nullptr;
}

const MethodInfo* FindMethod(std::string_view kindName, std::string_view method) {
  const KindInfo* k = FindKind(kindName);
  if (k == nullptr) return nullptr;
  for (const MethodInfo& m : k->Methods)
    if (method == m.Name) return &m;
  return nullptr;
}

struct ErrorText {
  int32_t Number;
  const char* Name;
  const char* OutlookText;
};

const std::array<ErrorText, 10>& ErrorTexts() {
  static const std::array<ErrorText, 10> texts = {{
      {err::kMapiNotFound, "MAPI_E_NOT_FOUND", "The operation failed. An object could not be found."},
      {err::kMapiCallFailed, "MAPI_E_CALL_FAILED", "The operation failed."},
      {err::kMapiNetworkError, "MAPI_E_NETWORK_ERROR",
       "The operation failed. The server is not available (network error)."},
      {err::kMapiNoSupport, "MAPI_E_NO_SUPPORT", "The operation failed. This action is not supported."},
      {err::kClassNotRegistered, "REGDB_E_CLASSNOTREG", "Class not registered"},
      {hr::kInvalidEntryId, "MAPI_E_INVALID_ENTRYID", "The operation failed. The entry ID is not valid."},
      {hr::kInvalidArg, "E_INVALIDARG",
       "Could not complete the operation. One or more parameter values are not valid."},
      {hr::kBadIndex, "DISP_E_BADINDEX", "Array index out of bounds."},
      {hr::kLogonFailed, "MAPI_E_LOGON_FAILED", "The operation failed. The logon was not successful."},
      {hr::kNotInitialized, "MAPI_E_NOT_INITIALIZED", "The operation failed. The session is not logged on."},
  }};
  return texts;
}

const ErrorText* FindErrorText(int32_t number) {
  for (const ErrorText& t : ErrorTexts())
    if (t.Number == number) return &t;
  return nullptr;
}

bool IsRuntimeNumber(int32_t number) { return number > 0 && number < 65536; }

// An argument matches a value itself, or as the identifier inside "Kind(identifier)".
bool ArgumentMatches(const std::string& arg, const std::string& value) {
  if (arg == value) return true;
  const size_t open = arg.find('(');
  return open != std::string::npos && arg.size() == open + value.size() + 2 && arg.back() == ')' &&
         arg.compare(open + 1, value.size(), value) == 0;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

bool IsKnownKind(std::string_view name) { return FindKind(name) != nullptr; }

bool IsKnownCall(std::string_view kindName, std::string_view method) { return FindMethod(kindName, method) != nullptr; }

bool ReturnsObject(std::string_view kindName, std::string_view method) {
  const MethodInfo* m = FindMethod(kindName, method);
  return m != nullptr && m->ReturnsObject;
}

bool IsOutlookKind(std::string_view kindName) {
  const KindInfo* k = FindKind(kindName);
  return k != nullptr && k->Outlook;
}

std::string KnownKindList() {
  std::string list;
  for (const KindInfo& k : Kinds()) {
    if (k.Methods.empty()) continue;
    if (!list.empty()) list += ", ";
    list += k.Name;
  }
  return list;
}

std::string KnownMethodList(std::string_view kindName) {
  std::string list;
  if (const KindInfo* k = FindKind(kindName)) {
    for (const MethodInfo& m : k->Methods) {
      if (!list.empty()) list += ", ";
      list += m.Name;
    }
  }
  return list;
}

ErrorInfo OutlookError(int32_t number) {
  if (IsRuntimeNumber(number)) return RuntimeError(number);
  const ErrorText* t = FindErrorText(number);
  return ErrorInfo{number, t != nullptr ? t->OutlookText : "The operation failed.", "Microsoft Outlook"};
}

ErrorInfo RdoError(std::string_view kindName, std::string_view method, int32_t number) {
  if (IsRuntimeNumber(number)) return RuntimeError(number);
  return ErrorInfo{number, "Error in " + std::string(kindName) + "." + std::string(method) + ": " + ErrorName(number),
                   "QFSMAPI." + std::string(kindName)};
}

ErrorInfo KindError(std::string_view kindName, std::string_view method, int32_t number) {
  return IsOutlookKind(kindName) ? OutlookError(number) : RdoError(kindName, method, number);
}

std::optional<int32_t> ErrorNumberByName(std::string_view name) {
  if (name == "E_FAIL") return err::kMapiCallFailed;
  for (const ErrorText& t : ErrorTexts())
    if (name == t.Name) return t.Number;
  return std::nullopt;
}

std::string ErrorName(int32_t number) {
  if (const ErrorText* t = FindErrorText(number)) return t->Name;
  return std::to_string(number);
}

std::string HostCall::ToString() const {
  std::string text = Kind + "." + Method;
  if (!Target.empty()) text += "[" + Target + "]";
  text += "(";
  for (size_t i = 0; i < Args.size(); ++i) text += (i == 0 ? "" : ", ") + Quote(Args[i]);
  text += ") -> ";
  text += Ok ? "ok" : ErrorName(ErrorNumber);
  return text;
}

bool FaultRule::Matches(std::string_view kindName, std::string_view method, const std::vector<std::string>& args,
                        std::string_view target) const {
  if (!Kind.empty() && Kind != "*" && Kind != kindName) return false;
  if (!Method.empty() && Method != "*" && Method != method) return false;
  if (Target && !EqualsIgnoringCase(*Target, target)) return false;
  if (Arg && std::none_of(args.begin(), args.end(), [&](const std::string& a) { return ArgumentMatches(a, *Arg); }))
    return false;
  return true;
}

bool FaultRule::Trips() {
  ++Seen;
  if (Nth <= 0) return true;
  if (Seen < Nth) return false;
  return Count <= 0 || Seen < Nth + Count;
}

std::string Quoted(std::string_view text) {
  constexpr size_t kMaxQuoted = 40;
  if (text.size() <= kMaxQuoted) return "'" + std::string(text) + "'";
  size_t cut = kMaxQuoted;
  while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  return "'" + std::string(text.substr(0, cut)) + "...'";
}

FaultRule MakeFault(std::string kindName, std::string method, int32_t number) {
  FaultRule rule;
  rule.Error = KindError(kindName, method, number == 0 ? err::kMapiCallFailed : number);
  rule.Kind = std::move(kindName);
  rule.Method = std::move(method);
  return rule;
}

Status ValidateFault(const FaultRule& rule) {
  auto invalid = [](std::string text) { return ErrorInfo{hr::kInvalidArg, std::move(text), "bellnest.sim"}; };
  const bool anyKind = rule.Kind.empty() || rule.Kind == "*";
  const bool anyMethod = rule.Method.empty() || rule.Method == "*";
  if (!anyKind && !IsKnownKind(rule.Kind))
    return invalid("unknown object kind " + Quoted(rule.Kind) + " (known: " + KnownKindList() + ")");
  if (!anyKind && !anyMethod && !IsKnownCall(rule.Kind, rule.Method))
    return invalid("unknown method " + Quoted(rule.Method) + " of " + rule.Kind + " (known: " + KnownMethodList(rule.Kind) +
                   ")");
  if (rule.ReturnNothing && (anyKind || anyMethod || !ReturnsObject(rule.Kind, rule.Method)))
    return invalid("only a call that returns an object can answer Nothing; " + rule.Kind + "." + rule.Method +
                   " does not");
  if (rule.Nth < 0 || rule.Count < 0) return invalid("nth and count must not be negative");
  if (!rule.ReturnNothing && rule.Error.Number == 0) return invalid("a failing call needs a non-zero error number");
  return {};
}

void CallRecord::Add(HostCall call) {
  ++total_;
  ++counts_[call.Kind + "." + call.Method];
  if (recording_) calls_.push_back(std::move(call));
}

int CallRecord::Count(std::string_view kindName, std::string_view method) const {
  std::string key;
  key.reserve(kindName.size() + method.size() + 1);
  key.append(kindName).append(".").append(method);
  auto it = counts_.find(key);
  return it == counts_.end() ? 0 : it->second;
}

void CallRecord::Clear() {
  calls_.clear();
  counts_.clear();
  total_ = 0;
}

}  // namespace bellnest::sim
