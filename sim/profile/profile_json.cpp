// Reading and writing profile files. The reader checks every key and type itself, so the
// first problem is reported with its JSON pointer instead of surfacing as a library exception;
// only the syntax parse is the library's, and its one exception is caught where it is thrown.
#include "sim/profile/profile_json.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/profile/profile_generator.h"

namespace bellnest::sim {

namespace {

using json = nlohmann::json;
using ordered_json = nlohmann::ordered_json;

const char* TypeName(const json& j) {
  switch (j.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::object:
      return "an object";
    case json::value_t::array:
      return "an array";
    case json::value_t::string:
      return "a string";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return "an integer";
    case json::value_t::number_float:
      return "a number with a fraction";
    default:
      return "something else";
  }
}

// JSON pointer steps, with "~" and "/" escaped as the pointer syntax wants.
std::string Child(const std::string& at, std::string_view key) {
  std::string out = at + "/";
  for (char c : key) out += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return out;
}
std::string Child(const std::string& at, size_t index) { return at + "/" + std::to_string(index); }

// An integer of the file as a signed 64-bit value; nullopt for fractions and for values
// beyond that range, which would otherwise wrap.
std::optional<int64_t> IntegerOf(const json& j) {
  if (j.is_number_unsigned()) {
    const uint64_t value = j.get<uint64_t>();
    if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
    return static_cast<int64_t>(value);
  }
  if (j.is_number_integer()) return j.get<int64_t>();
  return std::nullopt;
}

// Real stores are a few levels deep; the limit keeps a hostile file from exhausting the stack.
constexpr int kMaxFolderDepth = 200;

struct PendingContainers {
  int Store;
  bool Effective;
  const json* List;
  std::string At;
};

class ProfileParser {
 public:
  explicit ProfileParser(std::string_view source) : source_(source) {}

  Result<ProfileModel> Parse(const json& root) {
    if (!ParseRoot(root)) return error_;
    return std::move(model_);
  }

 private:
  bool Fail(const std::string& at, const std::string& problem) {
    error_ = ErrorInfo{kInvalidFileFormat,
                       source_ + ": " + (at.empty() ? std::string("at the top level") : "at " + at) + ": " + problem,
                       "bellnest.sim.profile"};
    return false;
  }
  bool FailType(const std::string& at, const char* expected, const json& found) {
    return Fail(at, std::string("expected ") + expected + ", found " + TypeName(found));
  }

  bool ExpectObject(const json& j, const std::string& at, std::initializer_list<std::string_view> keys) {
    if (!j.is_object()) return FailType(at, "an object", j);
    for (auto it = j.begin(); it != j.end(); ++it) {
      bool known = false;
      for (std::string_view k : keys) known = known || it.key() == k;
      if (!known) {
        std::string list;
        for (std::string_view k : keys) list += (list.empty() ? "" : ", ") + std::string(k);
        // A long key is named by its excerpt alone, not in the place as well.
        const std::string place = it.key().size() <= 40 ? Child(at, it.key()) : at;
        return Fail(place, "unknown key " + Quoted(it.key()) + " (known keys: " + list + ")");
      }
    }
    return true;
  }

  // Optional members: absent leaves the target as it is.
  bool ReadString(const json& obj, const char* key, const std::string& at, std::string& out, bool required = false) {
    auto it = obj.find(key);
    if (it == obj.end()) return !required || Fail(at, std::string("missing key '") + key + "'");
    if (!it->is_string()) return FailType(Child(at, key), "a string", *it);
    out = it->get<std::string>();
    if (required && out.empty()) return Fail(Child(at, key), "must not be empty");
    return true;
  }
  bool ReadBool(const json& obj, const char* key, const std::string& at, bool& out) {
    auto it = obj.find(key);
    if (it == obj.end()) return true;
    if (!it->is_boolean()) return FailType(Child(at, key), "true or false", *it);
    out = it->get<bool>();
    return true;
  }
  bool ReadInt(const json& obj, const char* key, const std::string& at, int& out, int min, int max) {
    auto it = obj.find(key);
    if (it == obj.end()) return true;
    if (!it->is_number_integer()) return FailType(Child(at, key), "an integer", *it);
    const std::optional<int64_t> integer = IntegerOf(*it);
    const int64_t value = integer.value_or(std::numeric_limits<int64_t>::max());
    if (!integer || value < min || value > max)
      return Fail(Child(at, key), "must be between " + std::to_string(min) + " and " + std::to_string(max));
    out = static_cast<int>(value);
    return true;
  }
  bool ReadEntryId(const json& obj, const char* key, const std::string& at, std::string& out) {
    if (!ReadString(obj, key, at, out)) return false;
    if (obj.contains(key) && !IsWellFormedEntryId(out))
      return Fail(Child(at, key), "entry id " + Quoted(out) + " is not hex of even length");
    return true;
  }
  bool ReadClass(const json& obj, const std::string& at, std::optional<std::string>& out) {
    auto it = obj.find("class");
    if (it == obj.end() || it->is_null()) return true;
    if (!it->is_string()) return FailType(Child(at, "class"), "a string or null", *it);
    out = it->get<std::string>();
    return true;
  }
  bool ReadSubfolders(const json& obj, const std::string& at, SubfoldersProperty& out) {
    auto it = obj.find("subfolders");
    if (it == obj.end()) return true;
    if (it->is_boolean()) {
      out = it->get<bool>() ? SubfoldersProperty::True : SubfoldersProperty::False;
      return true;
    }
    if (it->is_string() && it->get<std::string>() == "absent") {
      out = SubfoldersProperty::Absent;
      return true;
    }
    return Fail(Child(at, "subfolders"), std::string("expected true, false or \"absent\", found ") +
                                             (it->is_string() ? Quoted(it->get<std::string>()) : TypeName(*it)));
  }
  template <class AddAlias>
  bool ReadAliases(const json& obj, const std::string& at, AddAlias add) {
    auto it = obj.find("aliases");
    if (it == obj.end()) return true;
    const std::string here = Child(at, "aliases");
    if (!it->is_array()) return FailType(here, "an array of entry ids", *it);
    for (size_t i = 0; i < it->size(); ++i) {
      const json& alias = (*it)[i];
      if (!alias.is_string()) return FailType(Child(here, i), "a string", alias);
      if (!IsWellFormedEntryId(alias.get<std::string>()))
        return Fail(Child(here, i), "entry id " + Quoted(alias.get<std::string>()) + " is not hex of even length");
      if (Status s = add(alias.get<std::string>()); !s) return Fail(Child(here, i), s.Error().Description);
    }
    return true;
  }

  bool ParseRoot(const json& root) {
    if (!ExpectObject(root, "",
                      {"outlookVersion", "profileName", "rdoRegistered", "pageSite", "addIn", "defaultStore", "stores",
                       "scopeRule", "faults"}))
      return false;
    if (!ReadString(root, "outlookVersion", "", model_.OutlookVersion) ||
        !ReadString(root, "profileName", "", model_.ProfileName) ||
        !ReadBool(root, "rdoRegistered", "", model_.RdoRegistered))
      return false;
    if (auto it = root.find("pageSite"); it != root.end()) {
      if (!ExpectObject(*it, "/pageSite", {"application"}) ||
          !ReadBool(*it, "application", "/pageSite", model_.SiteHasApplication))
        return false;
    }
    if (!ParseAddIn(root)) return false;
    if (auto it = root.find("stores"); it != root.end()) {
      if (!it->is_array()) return FailType("/stores", "an array", *it);
      if (!CheckGeneratedTotal(*it)) return false;
      for (size_t i = 0; i < it->size(); ++i)
        if (!ParseStore((*it)[i], Child("/stores", i))) return false;
    }
    if (!ParseDefaultStore(root) || !ApplyDefaultFolders()) return false;
    for (const PendingContainers& p : containers_)
      if (!ResolveContainers(p)) return false;
    if (auto it = root.find("scopeRule"); it != root.end() && !ParseScopeRule(*it)) return false;
    if (auto it = root.find("faults"); it != root.end()) {
      if (!it->is_array()) return FailType("/faults", "an array", *it);
      for (size_t i = 0; i < it->size(); ++i)
        if (!ParseFault((*it)[i], Child("/faults", i))) return false;
    }
    return true;
  }

  bool ParseAddIn(const json& root) {
    auto it = root.find("addIn");
    if (it == root.end()) return true;
    if (it->is_null()) {
      model_.AddIn.Listed = false;
      return true;
    }
    const std::string at = "/addIn";
    // A text for PPClass stands for an add-in whose PPClass is not an object.
    const bool ppClassText = it->is_object() && it->contains("ppClass") && (*it)["ppClass"].is_string();
    if (!ExpectObject(*it, at, {"listed", "connected", "ppClass", "online"}) ||
        !ReadBool(*it, "listed", at, model_.AddIn.Listed) || !ReadBool(*it, "connected", at, model_.AddIn.Connected) ||
        (!ppClassText && !ReadBool(*it, "ppClass", at, model_.AddIn.HasPPClass)))
      return false;
    if (ppClassText) model_.AddIn.PPClassText = (*it)["ppClass"].get<std::string>();
    if (auto online = it->find("online"); online != it->end()) {
      if (online->is_boolean()) {
        model_.AddIn.Online = online->get<bool>();
      } else if (online->is_string()) {
        model_.AddIn.Online = online->get<std::string>();
      } else if (std::optional<int64_t> n = IntegerOf(*online);
                 n && *n >= std::numeric_limits<int32_t>::min() && *n <= std::numeric_limits<int32_t>::max()) {
        model_.AddIn.Online = static_cast<int32_t>(*n);
      } else if (online->is_null()) {
        model_.AddIn.Online = Empty{};
      } else {
        return FailType(Child(at, "online"), "a boolean, a 32-bit integer, a string or null", *online);
      }
    }
    return true;
  }

  bool ParseStore(const json& j, const std::string& at) {
    if (!ExpectObject(j, at, {"name", "entryId", "aliases", "topFolder", "folders", "generate", "reminders"}))
      return false;
    std::string name, entryId, topName, topId;
    if (!ReadString(j, "name", at, name, true) || !ReadEntryId(j, "entryId", at, entryId)) return false;
    const json* top = nullptr;
    if (auto it = j.find("topFolder"); it != j.end()) {
      top = &*it;
      if (!ExpectObject(*top, Child(at, "topFolder"), {"name", "entryId", "aliases", "class", "subfolders"}) ||
          !ReadString(*top, "name", Child(at, "topFolder"), topName) ||
          !ReadEntryId(*top, "entryId", Child(at, "topFolder"), topId))
        return false;
    }
    Result<int> store = model_.AddStore(name, entryId, topName, topId);
    if (!store) return Fail(at, store.Error().Description);
    if (!ReadAliases(j, at, [&](std::string a) { return model_.AddStoreAlias(store.Value(), std::move(a)); }))
      return false;
    const int topFolder = model_.Store(store.Value()).TopFolder;
    if (top != nullptr) {
      const std::string topAt = Child(at, "topFolder");
      FolderModel& f = model_.Folder(topFolder);
      if (!ReadClass(*top, topAt, f.ContainerClass) || !ReadSubfolders(*top, topAt, f.Subfolders) ||
          !ReadAliases(*top, topAt, [&](std::string a) { return model_.AddFolderAlias(topFolder, std::move(a)); }))
        return false;
    }
    if (!ParseFolderList(j, at, topFolder)) return false;
    if (auto it = j.find("generate"); it != j.end()) {
      const std::string genAt = Child(at, "generate");
      GeneratorOptions options;
      if (!ExpectObject(*it, genAt, {"folders", "fanOut", "depth"}) ||
          !ReadInt(*it, "folders", genAt, options.Folders, 0, 1000000) ||
          !ReadInt(*it, "fanOut", genAt, options.FanOut, 1, 100000) ||
          !ReadInt(*it, "depth", genAt, options.Depth, 1, 64))
        return false;
      if (Status s = GenerateFolders(model_, topFolder, options); !s) return Fail(genAt, s.Error().Description);
    }
    if (auto it = j.find("reminders"); it != j.end() && !it->is_null())
      return ParseReminders(*it, Child(at, "reminders"), store.Value());
    return true;
  }

  // The cap holds for the stores together and is checked before any folder is made, so that a
  // file refused for it costs nothing. Malformed counts are left to ParseStore to report.
  bool CheckGeneratedTotal(const json& stores) {
    int64_t total = 0;
    for (size_t i = 0; i < stores.size(); ++i) {
      const json& store = stores[i];
      if (!store.is_object() || !store.contains("generate") || !store["generate"].is_object()) continue;
      const json& generate = store["generate"];
      auto folders = generate.find("folders");
      total += folders == generate.end()
                   ? GeneratorOptions{}.Folders
                   : std::clamp<int64_t>(IntegerOf(*folders).value_or(0), 0, kMaxGeneratedFolders + 1);
      if (total > kMaxGeneratedFolders)
        return Fail(Child(Child(Child("/stores", i), "generate"), "folders"),
                    "the stores generate more than " + std::to_string(kMaxGeneratedFolders) + " folders together");
    }
    return true;
  }

  bool ParseFolderList(const json& j, const std::string& at, int parent, int depth = 1) {
    auto it = j.find("folders");
    if (it == j.end()) return true;
    const std::string here = Child(at, "folders");
    if (!it->is_array()) return FailType(here, "an array of folders", *it);
    if (depth > kMaxFolderDepth)
      return Fail(here, "folders nest deeper than " + std::to_string(kMaxFolderDepth) + " levels");
    for (size_t i = 0; i < it->size(); ++i)
      if (!ParseFolder((*it)[i], Child(here, i), parent, depth)) return false;
    return true;
  }

  bool ParseFolder(const json& j, const std::string& at, int parent, int depth) {
    if (!ExpectObject(j, at, {"name", "class", "entryId", "aliases", "subfolders", "default", "folders"})) return false;
    std::string name, entryId, role;
    std::optional<std::string> containerClass;
    if (!ReadString(j, "name", at, name, true) || !ReadEntryId(j, "entryId", at, entryId) ||
        !ReadClass(j, at, containerClass) || !ReadString(j, "default", at, role))
      return false;
    Result<int> folder = model_.AddFolder(parent, name, containerClass, entryId);
    if (!folder) return Fail(at, folder.Error().Description);
    if (!ReadSubfolders(j, at, model_.Folder(folder.Value()).Subfolders) ||
        !ReadAliases(j, at, [&](std::string a) { return model_.AddFolderAlias(folder.Value(), std::move(a)); }))
      return false;
    if (j.contains("default")) {
      const std::optional<DefaultFolder> which = DefaultFolderByName(role);
      if (!which)
        return Fail(Child(at, "default"),
                    "unknown default folder " + Quoted(role) + " (known: " + DefaultFolderNameList() + ")");
      auto [it, inserted] = defaults_.emplace(*which, std::make_pair(folder.Value(), at));
      if (!inserted)
        return Fail(Child(at, "default"), "default folder " + role + " is already given at " + it->second.second);
    }
    return ParseFolderList(j, at, folder.Value(), depth + 1);
  }

  bool ParseReminders(const json& j, const std::string& at, int store) {
    if (!ExpectObject(j, at, {"name", "entryId", "aliases", "class", "running", "containers", "effectiveContainers"}))
      return false;
    std::string name = "Reminders", entryId;
    if (!ReadString(j, "name", at, name) || !ReadEntryId(j, "entryId", at, entryId)) return false;
    Result<int> folder = model_.AddRemindersFolder(store, entryId, name);
    if (!folder) return Fail(at, folder.Error().Description);
    FolderModel& f = model_.Folder(folder.Value());
    if (auto it = j.find("class"); it != j.end()) {
      f.ContainerClass.reset();
      if (!ReadClass(j, at, f.ContainerClass)) return false;
    }
    if (!ReadAliases(j, at, [&](std::string a) { return model_.AddFolderAlias(folder.Value(), std::move(a)); }) ||
        !ReadBool(j, "running", at, model_.Store(store).Reminders->Running))
      return false;
    for (const char* key : {"containers", "effectiveContainers"}) {
      auto it = j.find(key);
      if (it == j.end()) continue;
      if (!it->is_array()) return FailType(Child(at, key), "an array of folder paths or {\"entryId\": ...}", *it);
      containers_.push_back({store, std::string(key) == "effectiveContainers", &*it, Child(at, key)});
    }
    return true;
  }

  bool ParseDefaultStore(const json& root) {
    auto it = root.find("defaultStore");
    if (it == root.end()) return true;  // the first store, if any
    if (it->is_null()) {
      model_.DefaultStore = kNone;
      return true;
    }
    if (!it->is_string()) return FailType("/defaultStore", "a store name or null", *it);
    const std::string name = it->get<std::string>();
    for (size_t s = 0; s < model_.Stores().size(); ++s) {
      if (model_.Stores()[s].Name == name) {
        model_.DefaultStore = static_cast<int>(s);
        return true;
      }
    }
    return Fail("/defaultStore", "no store is named " + Quoted(name));
  }

  bool ApplyDefaultFolders() {
    for (const auto& [role, placed] : defaults_) {
      if (Status s = model_.SetDefaultFolder(role, placed.first); !s)
        return Fail(Child(placed.second, "default"), s.Error().Description);
    }
    return true;
  }

  bool ResolveContainers(const PendingContainers& p) {
    std::vector<ContainerRef> list;
    for (size_t i = 0; i < p.List->size(); ++i) {
      const json& item = (*p.List)[i];
      const std::string at = Child(p.At, i);
      if (item.is_string()) {
        const int folder = model_.FolderByPath(item.get<std::string>());
        if (folder == kNone) return Fail(at, "no folder at path " + Quoted(item.get<std::string>()));
        list.push_back(model_.ContainerFor(folder));
      } else if (item.is_object()) {
        std::string entryId;
        if (!ExpectObject(item, at, {"entryId"}) || !ReadEntryId(item, "entryId", at, entryId)) return false;
        if (entryId.empty()) return Fail(at, "missing key 'entryId'");
        list.push_back(model_.ContainerFor(entryId));
      } else {
        return FailType(at, "a folder path or {\"entryId\": ...}", item);
      }
    }
    // "containers" resolve before "effectiveContainers", which default to them.
    SearchFolderModel& search = *model_.Store(p.Store).Reminders;
    if (!p.Effective) search.Containers = list;
    search.Effective = std::move(list);
    return true;
  }

  bool ParseScopeRule(const json& j) {
    const std::string at = "/scopeRule";
    ScopeRule& rule = model_.Scope;
    return ExpectObject(j, at,
                        {"rejectOtherStores", "maxContainers", "rejectEmpty", "rejectDuplicates", "rejectUnknown"}) &&
           ReadBool(j, "rejectOtherStores", at, rule.RejectOtherStores) &&
           ReadInt(j, "maxContainers", at, rule.MaxContainers, 0, std::numeric_limits<int>::max()) &&
           ReadBool(j, "rejectEmpty", at, rule.RejectEmpty) &&
           ReadBool(j, "rejectDuplicates", at, rule.RejectDuplicates) &&
           ReadBool(j, "rejectUnknown", at, rule.RejectUnknown);
  }

  bool ReadErrorNumber(const json& j, const std::string& at, int32_t& out) {
    if (j.is_number_integer()) {
      const std::optional<int64_t> integer = IntegerOf(j);
      const int64_t value = integer.value_or(0);
      // HRESULTs may be written signed (-2147221233) or unsigned (2147746063).
      if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<uint32_t>::max() || value == 0)
        return Fail(at, "error number must be a non-zero 32-bit number");
      out = static_cast<int32_t>(static_cast<uint32_t>(value));
      return true;
    }
    if (j.is_string()) {
      const std::string text = j.get<std::string>();
      if (std::optional<int32_t> named = ErrorNumberByName(text)) {
        out = *named;
        return true;
      }
      const bool hex = text.size() > 2 && text.size() <= 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
                       std::all_of(text.begin() + 2, text.end(),
                                   [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
      if (hex) {
        out = static_cast<int32_t>(static_cast<uint32_t>(std::stoul(text.substr(2), nullptr, 16)));
        if (out != 0) return true;
      }
      return Fail(at, "unknown error " + Quoted(text) + " (give a number, 0x-hex, or a name such as MAPI_E_NOT_FOUND)");
    }
    return FailType(at, "an error number, name or object", j);
  }

  bool ParseFault(const json& j, const std::string& at) {
    if (!ExpectObject(j, at, {"kind", "method", "arg", "target", "folder", "nth", "count", "nothing", "error"}))
      return false;
    FaultRule rule;
    if (!ReadString(j, "kind", at, rule.Kind, true) || !ReadString(j, "method", at, rule.Method, true) ||
        !ReadInt(j, "nth", at, rule.Nth, 1, std::numeric_limits<int>::max()) ||
        !ReadInt(j, "count", at, rule.Count, 0, std::numeric_limits<int>::max()) ||
        !ReadBool(j, "nothing", at, rule.ReturnNothing))
      return false;
    if (auto it = j.find("arg"); it != j.end()) {
      if (it->is_string()) {
        rule.Arg = it->get<std::string>();
      } else if (std::optional<int64_t> n = IntegerOf(*it)) {
        rule.Arg = std::to_string(*n);
      } else {
        return FailType(Child(at, "arg"), "a string or an integer", *it);
      }
    }
    if (j.contains("target") && j.contains("folder")) return Fail(at, "give either 'target' or 'folder', not both");
    std::string text;
    if (j.contains("target")) {
      if (!ReadString(j, "target", at, text)) return false;
      rule.Target = text;
    }
    if (j.contains("folder")) {
      if (!ReadString(j, "folder", at, text)) return false;
      const int folder = model_.FolderByPath(text);
      if (folder == kNone) return Fail(Child(at, "folder"), "no folder at path " + Quoted(text));
      rule.Target = model_.Folder(folder).EntryID;
    }
    int32_t number = err::kMapiCallFailed;
    std::optional<std::string> description, source;
    if (auto it = j.find("error"); it != j.end()) {
      const std::string errAt = Child(at, "error");
      if (it->is_object()) {
        if (!ExpectObject(*it, errAt, {"number", "description", "source"})) return false;
        if (auto n = it->find("number"); n != it->end() && !ReadErrorNumber(*n, Child(errAt, "number"), number))
          return false;
        std::string d, s;
        if (it->contains("description")) {
          if (!ReadString(*it, "description", errAt, d)) return false;
          description = d;
        }
        if (it->contains("source")) {
          if (!ReadString(*it, "source", errAt, s)) return false;
          source = s;
        }
      } else if (!ReadErrorNumber(*it, errAt, number)) {
        return false;
      }
    }
    rule.Error = KindError(rule.Kind, rule.Method, number);
    if (description) rule.Error.Description = *description;
    if (source) rule.Error.Source = *source;
    if (Status s = ValidateFault(rule); !s) return Fail(at, s.Error().Description);
    model_.Faults.push_back(std::move(rule));
    return true;
  }

  std::string source_;
  ProfileModel model_;
  ErrorInfo error_;
  std::map<DefaultFolder, std::pair<int, std::string>> defaults_;
  std::vector<PendingContainers> containers_;
};

// Line and column (1-based) of a byte offset, for syntax errors.
std::string LineAndColumn(std::string_view text, size_t byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// What the JSON library would not survive or report well, found before it parses: nesting
// deeper than kMaxProfileNesting (reading and writing recurse) and numbers beyond a double (the
// library throws for them). The byte offset and the problem.
std::optional<std::pair<size_t, std::string>> PreScan(std::string_view text) {
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
      }
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxProfileNesting)
        return std::make_pair(i, "arrays and objects nest deeper than " + std::to_string(kMaxProfileNesting) + " levels");
    } else if (c == ']' || c == '}') {
      --depth;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      size_t end = i;
      while (end < text.size() && std::string_view("0123456789+-.eE").find(text[end]) != std::string_view::npos) ++end;
      const std::string number(text.substr(i, end - i));
      if (std::isinf(std::strtod(number.c_str(), nullptr)))
        return std::make_pair(i, "the number " + Quoted(number) + " is out of range");
      i = end - 1;
    }
  }
  return std::nullopt;
}

// -- writing --

ordered_json ContainerJson(const ProfileModel& model, const ContainerRef& c) {
  if (c.Folder != kNone) {
    const std::optional<std::string> path = model.PathOf(c.Folder);
    if (path && model.FolderByPath(*path) == c.Folder && c.EntryID == model.Folder(c.Folder).EntryID) return *path;
  }
  return ordered_json{{"entryId", c.EntryID}};
}

ordered_json ContainerListJson(const ProfileModel& model, const std::vector<ContainerRef>& list) {
  ordered_json out = ordered_json::array();
  for (const ContainerRef& c : list) out.push_back(ContainerJson(model, c));
  return out;
}

void PutFolderAttributes(ordered_json& out, const FolderModel& f) {
  out["name"] = f.Name;
  if (f.ContainerClass) out["class"] = *f.ContainerClass;
  out["entryId"] = f.EntryID;
  if (!f.Aliases.empty()) out["aliases"] = f.Aliases;
  switch (f.Subfolders) {
    case SubfoldersProperty::Derived:
      break;
    case SubfoldersProperty::True:
      out["subfolders"] = true;
      break;
    case SubfoldersProperty::False:
      out["subfolders"] = false;
      break;
    case SubfoldersProperty::Absent:
      out["subfolders"] = "absent";
      break;
  }
}

ordered_json FolderListJson(const ProfileModel& model, const std::vector<int>& children,
                            const std::map<int, DefaultFolder>& roles) {
  ordered_json list = ordered_json::array();
  for (int child : children) {
    ordered_json f;
    PutFolderAttributes(f, model.Folder(child));
    if (auto it = roles.find(child); it != roles.end()) f["default"] = DefaultFolderName(it->second);
    if (!model.Folder(child).Children.empty())
      f["folders"] = FolderListJson(model, model.Folder(child).Children, roles);
    list.push_back(std::move(f));
  }
  return list;
}

ordered_json VariantJson(const Variant& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b;
  if (const int32_t* n = std::get_if<int32_t>(&v)) return *n;
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  return nullptr;
}

}  // namespace

Result<ProfileModel> ParseProfile(std::string_view text, std::string_view sourceName) {
  if (const auto problem = PreScan(text)) {
    return ErrorInfo{kInvalidFileFormat,
                     std::string(sourceName) + ": " + LineAndColumn(text, problem->first) + ": " + problem->second,
                     "bellnest.sim.profile"};
  }
  json root;
  try {
    root = json::parse(text.begin(), text.end());
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    // The library's message repeats the place; keep only the problem after it.
    if (size_t colon = what.find(": ", what.find("column")); colon != std::string::npos) what = what.substr(colon + 2);
    // It also quotes what it last read, which may be a whole (huge) string: keep an excerpt.
    constexpr std::string_view kLastRead = "; last read: '";
    if (size_t quote = what.find(kLastRead); quote != std::string::npos) {
      const size_t begin = quote + kLastRead.size();
      size_t end = what.rfind("'; expected ");
      if (end == std::string::npos || end < begin) end = what.back() == '\'' ? what.size() - 1 : std::string::npos;
      if (end != std::string::npos && end >= begin)
        what = what.substr(0, quote) + "; last read: " + Quoted(std::string_view(what).substr(begin, end - begin)) +
               what.substr(end + 1);
    }
    return ErrorInfo{kInvalidFileFormat,
                     std::string(sourceName) + ": " + LineAndColumn(text, e.byte == 0 ? 0 : e.byte - 1) + ": " + what,
                     "bellnest.sim.profile"};
  }
  return ProfileParser(sourceName).Parse(root);
}

Result<ProfileModel> LoadProfileFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ErrorInfo{err::kFileNotFound, path + ": cannot open the profile file", "bellnest.sim.profile"};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return ErrorInfo{err::kPathFileAccess, path + ": cannot read the profile file", "bellnest.sim.profile"};
  return ParseProfile(text.str(), path);
}

std::string ProfileToJson(const ProfileModel& model) {
  std::map<int, DefaultFolder> roles;
  for (int r = 0; r < kDefaultFolderCount; ++r) {
    const auto role = static_cast<DefaultFolder>(r);
    if (model.DefaultFolderOf(role) != kNone) roles[model.DefaultFolderOf(role)] = role;
  }
  ordered_json root;
  root["outlookVersion"] = model.OutlookVersion;
  root["profileName"] = model.ProfileName;
  root["rdoRegistered"] = model.RdoRegistered;
  root["pageSite"] = {{"application", model.SiteHasApplication}};
  root["addIn"] = {{"listed", model.AddIn.Listed},
                   {"connected", model.AddIn.Connected},
                   {"ppClass", model.AddIn.PPClassText ? ordered_json(*model.AddIn.PPClassText)
                                                       : ordered_json(model.AddIn.HasPPClass)},
                   {"online", VariantJson(model.AddIn.Online)}};
  root["defaultStore"] =
      model.DefaultStore == kNone ? ordered_json(nullptr) : ordered_json(model.Store(model.DefaultStore).Name);
  ordered_json stores = ordered_json::array();
  for (const StoreModel& s : model.Stores()) {
    ordered_json store;
    store["name"] = s.Name;
    store["entryId"] = s.EntryID;
    if (!s.Aliases.empty()) store["aliases"] = s.Aliases;
    ordered_json top;
    PutFolderAttributes(top, model.Folder(s.TopFolder));
    store["topFolder"] = std::move(top);
    store["folders"] = FolderListJson(model, model.Folder(s.TopFolder).Children, roles);
    if (s.Reminders) {
      const FolderModel& f = model.Folder(s.Reminders->Folder);
      ordered_json reminders;
      reminders["name"] = f.Name;
      reminders["entryId"] = f.EntryID;
      if (!f.Aliases.empty()) reminders["aliases"] = f.Aliases;
      reminders["class"] = f.ContainerClass ? ordered_json(*f.ContainerClass) : ordered_json(nullptr);
      reminders["running"] = s.Reminders->Running;
      reminders["containers"] = ContainerListJson(model, s.Reminders->Containers);
      if (s.Reminders->Effective != s.Reminders->Containers)
        reminders["effectiveContainers"] = ContainerListJson(model, s.Reminders->Effective);
      store["reminders"] = std::move(reminders);
    }
    stores.push_back(std::move(store));
  }
  root["stores"] = std::move(stores);
  root["scopeRule"] = {{"rejectOtherStores", model.Scope.RejectOtherStores},
                       {"maxContainers", model.Scope.MaxContainers},
                       {"rejectEmpty", model.Scope.RejectEmpty},
                       {"rejectDuplicates", model.Scope.RejectDuplicates},
                       {"rejectUnknown", model.Scope.RejectUnknown}};
  ordered_json faults = ordered_json::array();
  for (const FaultRule& rule : model.Faults) {
    ordered_json f;
    f["kind"] = rule.Kind;
    f["method"] = rule.Method;
    if (rule.Arg) f["arg"] = *rule.Arg;
    if (rule.Target) f["target"] = *rule.Target;
    if (rule.Nth > 0) {
      f["nth"] = rule.Nth;
      f["count"] = rule.Count;
    }
    if (rule.ReturnNothing) f["nothing"] = true;
    if (rule.Error.Number != 0)
      f["error"] = {
          {"number", rule.Error.Number}, {"description", rule.Error.Description}, {"source", rule.Error.Source}};
    faults.push_back(std::move(f));
  }
  root["faults"] = std::move(faults);
  return root.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

Status SaveProfileFile(const ProfileModel& model, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return ErrorInfo{err::kPathFileAccess, path + ": cannot write the profile file", "bellnest.sim.profile"};
  out << ProfileToJson(model);
  out.close();
  if (!out) return ErrorInfo{err::kPathFileAccess, path + ": cannot write the profile file", "bellnest.sim.profile"};
  return {};
}

}  // namespace bellnest::sim
