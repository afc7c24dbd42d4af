// The page driver's commands.
#include "tools/page_driver.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

#include "support/shared_state.h"
#include "support/ui_api.h"

namespace bellnest::tools {

namespace {

// The command and its argument: the first word, then the rest of the line (paths may hold blanks).
std::pair<std::string, std::string> SplitCommand(std::string_view line) {
  const size_t begin = line.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  line.remove_prefix(begin);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
  const size_t space = line.find_first_of(" \t");
  if (space == std::string_view::npos) return {std::string(line), ""};
  std::string_view rest = line.substr(space);
  rest.remove_prefix(rest.find_first_not_of(" \t"));
  return {std::string(line.substr(0, space)), std::string(rest)};
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// A whole decimal number, or nothing: typed input never throws.
std::optional<int32_t> ParseNumber(const std::string& text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

const char* StyleText(int32_t style) {
  if ((style & ui::kMsgCritical) == ui::kMsgCritical && (style & ui::kMsgInformation) != ui::kMsgInformation) {
    return "critical";
  }
  if ((style & ui::kMsgInformation) == ui::kMsgInformation) return "information";
  return "plain";
}

}  // namespace

PageDriver::PageDriver(DriverOptions options, std::ostream& out, std::unique_ptr<DriverWorld> world)
    : options_(std::move(options)), out_(out), world_(std::move(world)) {}

PageDriver::~PageDriver() {
  host_.reset();
  outlook_.reset();
  world_.reset();
}

bool PageDriver::Fail(const std::string& message) {
  out_ << "error: " << message << "\n";
  failed_ = true;
  return false;
}

bool PageDriver::Check(const Status& status) {
  if (status.Ok()) return true;
  return Fail(status.Error().Description);
}

bool PageDriver::Start() {
  if (!Check(world_->Start(options_))) return false;
  return LoadProfile(options_.ProfileFile);
}

// A profile that does not load leaves the current one (and its page host) in place.
bool PageDriver::LoadProfile(const std::string& file) {
  std::unique_ptr<sim::SimulatedOutlook> outlook;
  if (file.empty()) {
    outlook = std::make_unique<sim::SimulatedOutlook>();
  } else {
    Result<std::unique_ptr<sim::SimulatedOutlook>> loaded = sim::SimulatedOutlook::FromFile(file);
    if (!loaded.Ok()) return Fail(loaded.Error().Description);
    outlook = std::move(loaded).Value();
  }
  host_.reset();
  ResetSharedState();
  outlook_ = std::move(outlook);
  host_ = world_->NewSession(*outlook_);
  options_.ProfileFile = file;
  return true;
}

bool PageDriver::RequireOpen() {
  if (host_ && host_->IsOpen()) return true;
  return Fail("no page is open (use: open)");
}

bool PageDriver::Run(std::string_view line) {
  auto [command, argument] = SplitCommand(line);
  if (command.empty() || command[0] == '#') return true;
  if (options_.Echo) out_ << "> " << line << "\n";

  if (command == "quit" || command == "exit") return false;
  if (command == "help" && argument == "commands") {
    PrintHelp();
  } else if (command == "profile") {
    if (host_ && host_->IsOpen()) return Fail("close the page before loading another profile"), true;
    std::filesystem::path file = argument == "sample" ? std::filesystem::path() : std::filesystem::path(argument);
    if (!file.empty() && file.is_relative() && !options_.BaseDir.empty()) file = options_.BaseDir / file;
    LoadProfile(file.string());
  } else if (command == "open") {
    if (host_->IsOpen()) return Fail("the page is already open"), true;
    host_->Open();
  } else if (command == "close") {
    if (RequireOpen()) host_->Close();
  } else if (command == "show") {
    if (RequireOpen()) host_->Show();
  } else if (command == "paint") {
    if (RequireOpen()) host_->Paint();
  } else if (command == "enterfocus") {
    if (RequireOpen()) host_->EnterFocus();
  } else if (command == "gotfocus") {
    if (RequireOpen()) host_->GotFocus();
  } else if (command == "expand" || command == "collapse") {
    if (RequireOpen()) Check(host_->Expand(argument, command == "expand"));
  } else if (command == "tick" || command == "clear") {
    if (RequireOpen()) Check(host_->Tick(argument, command == "tick"));
  } else if (command == "click") {
    if (!RequireOpen()) return true;
    if (argument == "subfolders") {
      Check(host_->ClickSubfolders());
    } else if (argument == "defaultfolders") {
      Check(host_->ClickDefaultFolders());
    } else {
      Fail("click what? subfolders or defaultfolders");
    }
  } else if (command == "apply") {
    if (RequireOpen()) host_->Apply();
  } else if (command == "dirty") {
    if (RequireOpen()) out_ << "Dirty: " << (host_->Dirty() ? "True" : "False") << "\n";
  } else if (command == "help") {
    if (RequireOpen()) host_->Help();
  } else if (command == "pageinfo") {
    if (!RequireOpen()) return true;
    const nlohmann::json info = host_->PageInfoJson();
    out_ << "HelpFile: " << info["file"].get<std::string>() << "\nHelpContext: " << info["topic"].get<int32_t>()
         << "\n";
  } else if (command == "about") {
    if (!RequireOpen()) return true;
    host_->About();
    if (const std::optional<AboutBoxTexts> about = host_->LastAboutBox()) {
      const AboutBoxTexts& t = *about;
      out_ << t.Caption << "\n  " << t.Title << "\n  " << t.Version << "\n  " << t.Description << "\n  ";
      std::string company = t.Company;
      for (size_t p; (p = company.find("\r\n")) != std::string::npos;) company.replace(p, 2, "\n  ");
      out_ << company << "\n";
    }
  } else if (command == "pump") {
    host_->Pump();
  } else if (command == "helpwindow") {
    // The help window's behaviour when asked to close: "closes N" passes later, or "stuck".
    const std::vector<std::string> w = Words(argument);
    if (w.size() == 1 && w[0] == "stuck") {
      Check(host_->SetHelpCloseDelay(-1));
    } else if (w.size() == 2 && w[0] == "closes" && ParseNumber(w[1])) {
      Check(host_->SetHelpCloseDelay(*ParseNumber(w[1])));
    } else {
      Fail("helpwindow closes N | helpwindow stuck");
    }
  } else if (command == "container") {
    // container ORDER SWITCHING: how the next `open` hosts the page (the Windows world's OLE container).
    const std::vector<std::string> w = Words(argument);
    const auto one = [](const std::string& word, std::initializer_list<const char*> names) {
      return std::any_of(names.begin(), names.end(), [&](const char* name) { return word == name; });
    };
    if (w.size() == 2 && one(w[0], {"misc-status", "initnew-first", "load-stream", "load-bag"}) &&
        one(w[1], {"window", "verb"})) {
      Check(host_->SetContainer(w[0], w[1]));
    } else {
      Fail("container misc-status|initnew-first|load-stream|load-bag window|verb");
    }
  } else if (command == "fault") {
    // fault KIND METHOD [NTH [ERROR]]
    const std::vector<std::string> w = Words(argument);
    if (w.size() < 2) return Fail("fault KIND METHOD [NTH [ERROR]]"), true;
    std::optional<int32_t> number = 0;
    if (w.size() > 3) {
      number = sim::ErrorNumberByName(w[3]);
      if (!number) number = ParseNumber(w[3]);
    }
    const std::optional<int32_t> nth = w.size() > 2 ? ParseNumber(w[2]) : std::optional<int32_t>(0);
    if (!number || !nth) return Fail("fault KIND METHOD [NTH [ERROR]]: NTH is a number, ERROR a name or number"), true;
    sim::FaultRule rule = sim::MakeFault(w[0], w[1], *number);
    rule.Nth = *nth;
    Check(host_->Outlook().AddFault(rule));
  } else if (command == "outlook") {
    OutlookCommand(argument);
  } else if (command == "tree") {
    out_ << host_->TreeText();
  } else if (command == "scope") {
    PrintScope();
  } else if (command == "registry") {
    PrintRegistry();
  } else if (command == "log") {
    PrintLog();
  } else if (command == "messages") {
    const nlohmann::json boxes = host_->StateJson()["messageBoxes"];
    for (const auto& box : boxes) {
      std::string text = box["text"];
      for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, " / ");
      out_ << "[" << box["title"].get<std::string>() << ", " << StyleText(box["style"]) << "] " << text << "\n";
    }
  } else if (command == "selection") {
    const nlohmann::json state = host_->StateJson();
    if (state["selectedFolders"].is_null()) {
      out_ << "SelectedFolders, RemindersCollection: inside the page, out of Outlook's sight\n";
      return true;
    }
    out_ << "SelectedFolders: " << state["selectedFolders"].dump() << "\n";
    out_ << "RemindersCollection: " << state["remindersCollection"].dump()
         << (state["sameCollection"].get<bool>() ? " (same collection)" : "") << "\n";
  } else if (command == "logons") {
    for (const std::string& logon : host_->Outlook().Logons()) out_ << "RDO session: " << logon << "\n";
  } else if (command == "state") {
    PrintState();
  } else if (command == "screenshot") {
    if (argument.empty()) return Fail("screenshot FILE"), true;
    if (RequireOpen()) Check(host_->Screenshot(argument));
  } else {
    Fail("unknown command '" + command + "' (help commands lists them)");
  }
  return true;
}

bool PageDriver::RunScript(std::istream& in) {
  for (std::string line; std::getline(in, line);) {
    if (!Run(line)) break;
  }
  return !failed_;
}

bool PageDriver::Finish() {
  if (host_ && host_->IsOpen()) host_->Close();
  bool ok = true;
  ok = Check(world_->Finish(options_)) && ok;
  if (options_.SaveProfile && !options_.ProfileFile.empty()) {
    ok = Check(outlook_->SaveFile(options_.ProfileFile)) && ok;
  }
  return ok;
}

// Changes in Outlook made outside the page, between or during sessions.
void PageDriver::OutlookCommand(const std::string& argument) {
  sim::ProfileModel& model = host_->Outlook().Model();
  auto [what, rest] = SplitCommand(argument);
  if (what == "online" && (rest == "true" || rest == "false")) {
    model.AddIn.Online = rest == "true";
    return;
  }
  if (what == "version" && !rest.empty()) {
    model.OutlookVersion = rest;
    return;
  }
  if (what == "scope") {
    auto [edit, path] = SplitCommand(rest);
    const int folder = model.FolderByPath(path == "/" ? "" : path);
    if (model.DefaultStore == sim::kNone || !model.Store(model.DefaultStore).Reminders) {
      Fail("the default store has no Reminders search folder");
      return;
    }
    if (folder == sim::kNone) {
      Fail("no folder at '" + path + "'");
      return;
    }
    std::vector<sim::ContainerRef>& containers = model.Store(model.DefaultStore).Reminders->Containers;
    const sim::ContainerRef ref = model.ContainerFor(folder);
    if (edit == "add") {
      containers.push_back(ref);
      return;
    }
    if (edit == "remove") {
      std::erase(containers, ref);
      return;
    }
  }
  Fail("outlook online true|false, outlook version TEXT, outlook scope add|remove PATH");
}

void PageDriver::PrintScope() {
  out_ << "Reminders search " << (host_->Outlook().SearchRunning() ? "running" : "stopped") << ", scope "
       << (host_->Outlook().Scope().Accepted ? "accepted" : "rejected: " + host_->Outlook().Scope().Reason) << "\n";
  for (const std::string& path : host_->Outlook().SearchContainerPaths()) out_ << "  " << path << "\n";
}

void PageDriver::PrintRegistry() {
  const nlohmann::json registry = host_->StateJson()["registry"];
  for (const auto& [key, values] : registry.items()) {
    out_ << "[HKEY_CURRENT_USER\\" << key << "]\n";
    for (const auto& [name, value] : values.items()) {
      out_ << "  " << name << " " << value["type"].get<std::string>() << " ";
      if (value["data"].is_string()) {
        out_ << "\"" << value["data"].get<std::string>() << "\"";
      } else {
        out_ << value["data"].dump();
      }
      out_ << "\n";
      // The stored folder list, readable: each entry identifier as its folder's path.
      if (name == "ReminderFolders" && value["data"].is_string()) {
        const std::string list = value["data"];
        std::string paths;
        for (size_t start = 0; !list.empty() && start <= list.size();) {
          const size_t comma = std::min(list.find(',', start), list.size());
          paths += (paths.empty() ? "" : ", ") + host_->Describe(list.substr(start, comma - start));
          start = comma + 1;
        }
        out_ << "    = [" << paths << "]\n";
      }
    }
  }
}

void PageDriver::PrintLog() {
  for (const auto& entry : host_->LogJson()) {
    out_ << entry["module"].get<std::string>() << "." << entry["procedure"].get<std::string>() << " "
         << entry["number"].get<std::string>() << " \"" << entry["context"].get<std::string>() << "\"";
    const std::string description = entry["description"];
    if (!description.empty()) out_ << " (" << description << ")";
    out_ << "\n";
  }
}

void PageDriver::PrintState() { out_ << host_->StateJson().dump(2) << "\n"; }

void PageDriver::PrintHelp() {
  out_ << "Page:     open, close, show, paint, enterfocus, gotfocus, apply, dirty, pageinfo, help, about, pump\n"
          "Folders:  expand PATH, collapse PATH, tick PATH, clear PATH   (PATH below the top folder,\n"
          "          e.g. Inbox/Projects; / for the top folder; or id:ENTRYID)\n"
          "Options:  click subfolders, click defaultfolders\n"
          "Show:     tree, selection, scope, registry, log, messages, logons, state (JSON), screenshot FILE\n"
          "Set-up:   profile FILE|sample, fault KIND METHOD [NTH [ERROR]], helpwindow closes N | helpwindow stuck,\n"
          "          container misc-status|initnew-first|load-stream|load-bag window|verb\n"
          "Outlook:  outlook online true|false, outlook version TEXT, outlook scope add|remove PATH\n"
          "          quit\n";
}

bool PageDriver::RunDemo() {
  out_ << "Bellnest options page on the sample mailbox\n\n";
  Run("open");
  Run("paint");
  if (!options_.ScreenshotDir.empty()) Run("screenshot " + (options_.ScreenshotDir / "page-before.png").string());
  out_ << "The Reminders search before:\n";
  PrintScope();
  out_ << "\nThe folder tree as the page first shows it:\n";
  Run("tree");
  out_ << "\nTick \"Team Calendar\"; expand \"Inbox\"; then, with \"Include Subfolders\", tick\n"
          "\"Inbox/Projects\", which ticks every folder below it:\n";
  Run("tick Team Calendar");
  Run("expand Inbox");
  Run("click subfolders");
  Run("tick Inbox/Projects");
  Run("tree");
  Run("dirty");
  out_ << "\nApply, which reloads the tree from the new reminder folder set:\n";
  Run("apply");
  Run("tree");
  if (!options_.ScreenshotDir.empty()) Run("screenshot " + (options_.ScreenshotDir / "page-after.png").string());
  out_ << "\nThe Reminders search after:\n";
  PrintScope();
  out_ << "\nClose the page; the registry now holds:\n";
  Run("close");
  PrintRegistry();
  const nlohmann::json log = host_->LogJson();
  out_ << "\nLog entries: " << log.size() << "\n";
  if (!log.empty()) PrintLog();
  return !failed_;
}

}  // namespace bellnest::tools
