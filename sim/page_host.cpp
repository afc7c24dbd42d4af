// The native page host.
#include "sim/page_host.h"

#include <fstream>
#include <sstream>

#include "support/error_log.h"

namespace bellnest::sim {

namespace {

const char* TypeName(uint32_t type) {
  switch (type) {
    case reg::kSz:
      return "REG_SZ";
    case reg::kExpandSz:
      return "REG_EXPAND_SZ";
    case reg::kBinary:
      return "REG_BINARY";
    case reg::kDword:
      return "REG_DWORD";
    case reg::kMultiSz:
      return "REG_MULTI_SZ";
    case reg::kQword:
      return "REG_QWORD";
    default:
      return "REG_NONE";
  }
}

nlohmann::json ValueJson(const RegValue& value, TextCodec& codec) {
  nlohmann::json out{{"type", TypeName(value.Type)}};
  if (value.Type == reg::kDword && value.Data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<uint8_t>(value.Data[static_cast<size_t>(i)]);
    out["data"] = static_cast<int32_t>(n);
  } else {
    // Shown as regedit shows text: without the terminating NUL ("bytes" tells the stored size).
    std::string_view data = value.Data;
    if (value.Type != reg::kBinary && !data.empty() && data.back() == '\0') data.remove_suffix(1);
    out["data"] = codec.FromAnsi(data);
  }
  out["bytes"] = value.Data.size();
  return out;
}

}  // namespace

nlohmann::json ProductRegistryJson(const MemoryRegistry& registry, TextCodec& codec) {
  nlohmann::json keys = nlohmann::json::object();
  const std::string product = kProductKeyPath;
  for (const std::string& path : registry.KeyPaths(kHkeyCurrentUser)) {
    if (path.size() < product.size() || path.compare(0, product.size(), product) != 0) continue;
    nlohmann::json values = nlohmann::json::object();
    for (const RegValue& value : registry.Values(kHkeyCurrentUser, path)) {
      values[codec.FromAnsi(value.Name)] = ValueJson(value, codec);
    }
    keys[codec.FromAnsi(path)] = std::move(values);
  }
  return keys;
}

nlohmann::json LogEntriesJson(const std::string& text) {
  nlohmann::json entries = nlohmann::json::array();
  // Entries are eight lines each; the description line may itself be empty, so entries are
  // found by their first line, not by blank lines.
  std::vector<std::string> lines;
  for (size_t p = 0; p < text.size();) {
    size_t eol = text.find("\r\n", p);
    if (eol == std::string::npos) eol = text.size();
    lines.push_back(text.substr(p, eol - p));
    p = eol + 2;
  }
  auto after = [](const std::string& line, std::string_view prefix) {
    return line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : line;
  };
  const std::string first = "An Error occurred: ";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].compare(0, first.size(), first) != 0) continue;
    std::vector<std::string> entry(lines.begin() + static_cast<std::ptrdiff_t>(i),
                                   lines.begin() + static_cast<std::ptrdiff_t>(std::min(lines.size(), i + 7)));
    entry.resize(7);
    entries.push_back({{"time", after(entry[0], first)},
                       {"number", after(entry[1], "Error #:")},
                       {"description", entry[2]},
                       {"source", after(entry[3], "Source:")},
                       {"module", after(entry[4], "Module:")},
                       {"procedure", after(entry[5], "Procedure:")},
                       {"context", entry[6]}});
    i += 6;
  }
  return entries;
}

PageHost::PageHost(NativeWorld& world, SimulatedOutlook& outlook)
    : world_(world),
      outlook_(outlook),
      platform_(Seams()),
      tree_(MemoryTree::Create()),
      subfolders_(std::make_shared<MemoryCheckBox>()),
      defaultFolders_(std::make_shared<MemoryCheckBox>()) {}

PageHost::~PageHost() {
  if (page_) Close();
}

Platform PageHost::Seams() {
  Platform platform = world_.Seams();
  platform.Ui = &ui_;
  platform.Rdo = &outlook_;
  return platform;
}

void PageHost::Open() {
  if (page_) return;
  // Each control Outlook creates sits in a new container with a new page site.
  container_ = std::make_shared<MemoryPageContainer>(outlook_.PageSite());
  page_ = std::make_unique<UserControl1>(PageControls{tree_, subfolders_, defaultFolders_, container_});
  page_->UserControl_Initialize();
  page_->UserControl_InitProperties();
}

void PageHost::Close() {
  if (!page_) return;
  page_->UserControl_Terminate();
  page_.reset();
  container_.reset();
}

bool PageHost::Show() { return page_ && (page_->UserControl_Show(), true); }
bool PageHost::Paint() { return page_ && (page_->UserControl_Paint(), true); }
bool PageHost::EnterFocus() { return page_ && (page_->UserControl_EnterFocus(), true); }
bool PageHost::GotFocus() { return page_ && (page_->UserControl_GotFocus(), true); }
bool PageHost::Apply() { return page_ && (page_->Apply(), true); }
bool PageHost::Help() { return page_ && (page_->cmdHelp_Click(), true); }
bool PageHost::About() { return page_ && (page_->cmdAbout_Click(), true); }

Result<int32_t> PageHost::NodeIndex(std::string_view node) {
  std::string key;
  if (node.substr(0, 3) == "id:") {
    key = std::string(node.substr(3));
  } else {
    if (node == "/") node = "";
    key = outlook_.Id(node);
    if (key.empty()) return ErrorInfo{err::kInvalidProcedureCall, "no folder at '" + std::string(node) + "'", "driver"};
  }
  TreeNodePtr found = tree_->FindByKey(key);
  if (!found) {
    return ErrorInfo{err::kTreeElementNotFound,
                     "'" + std::string(node) + "' is not in the tree (expand the folder above it first)", "driver"};
  }
  return found->Index();
}

Status PageHost::Tick(std::string_view node, bool checked) {
  Result<int32_t> index = NodeIndex(node);
  if (!index.Ok()) return index.Error();
  return tree_->UserCheck(index.Value(), checked);
}

Status PageHost::Expand(std::string_view node, bool expanded) {
  Result<int32_t> index = NodeIndex(node);
  if (!index.Ok()) return index.Error();
  return tree_->UserExpand(index.Value(), expanded);
}

Status PageHost::ClickSubfolders() {
  subfolders_->UserClick();
  return {};
}

Status PageHost::ClickDefaultFolders() {
  defaultFolders_->UserClick();
  return {};
}

std::string PageHost::Describe(const std::string& entryId) const {
  const ProfileModel& model = outlook_.Model();
  const ContainerRef ref = model.ContainerFor(entryId);
  if (ref.Folder != kNone) {
    if (std::optional<std::string> path = model.PathOf(ref.Folder)) return *path;
  }
  return "id:" + entryId;
}

nlohmann::json PageHost::NodeJson(const TreeNodePtr& node) {
  nlohmann::json out{{"text", node->Text().ValueOr("")},
                     {"key", node->Key().ValueOr("")},
                     {"image", node->Image().ValueOr(0)},
                     {"checked", node->Checked().ValueOr(false)},
                     {"expanded", node->Expanded().ValueOr(false)}};
  nlohmann::json children = nlohmann::json::array();
  for (TreeNodePtr child = node->Child().ValueOr(nullptr); child; child = child->Next().ValueOr(nullptr)) {
    children.push_back(NodeJson(child));
  }
  if (!children.empty()) out["children"] = std::move(children);
  return out;
}

nlohmann::json PageHost::LogJson(const std::string& windowsPath) const {
  std::optional<std::filesystem::path> file = world_.Shell().PosixPath(world_.Codec().ToAnsi(windowsPath));
  if (!file) return nlohmann::json::array();
  std::ifstream in(*file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return LogEntriesJson(world_.Codec().FromAnsi(bytes.str()));
}

nlohmann::json PageHost::PageInfoJson() {
  if (!page_) return nullptr;
  std::string file;
  int32_t topic = 0;
  page_->GetPageInfo(file, topic);
  return {{"file", file}, {"topic", topic}};
}

nlohmann::json PageHost::StateJson() {
  nlohmann::json state;
  state["open"] = page_ != nullptr;
  state["dirty"] = page_ ? page_->Dirty() : false;
  state["statusChanges"] = outlook_.StatusChanges();
  state["options"] = {{"chkSubfolders", subfolders_->Value().ValueOr(0)},
                      {"chkDefaultFolders", defaultFolders_->Value().ValueOr(0)}};

  nlohmann::json tree = nlohmann::json::array();
  if (TreeNodePtr root = tree_->NodesItem(1).ValueOr(nullptr)) tree.push_back(NodeJson(root));
  state["tree"] = std::move(tree);

  auto keys = [this](const FolderCollectionRef& collection) {
    nlohmann::json out = nlohmann::json::array();
    if (!collection) return out;
    for (int32_t i = 1; i <= collection->Count(); ++i) out.push_back(Describe(collection->KeyAt(i).value_or("")));
    return out;
  };
  auto rawKeys = [](const FolderCollectionRef& collection) {
    nlohmann::json out = nlohmann::json::array();
    for (int32_t i = 1; collection && i <= collection->Count(); ++i) out.push_back(collection->KeyAt(i).value_or(""));
    return out;
  };
  const FolderCollectionRef selected = page_ ? page_->SelectedFolders : nullptr;
  state["selectedFolders"] = keys(selected);
  state["selectedFolderKeys"] = rawKeys(selected);
  state["remindersCollection"] = keys(State().RemindersCollection);
  state["remindersCollectionKeys"] = rawKeys(State().RemindersCollection);
  state["sameCollection"] = page_ && page_->SelectedFolders && page_->SelectedFolders == State().RemindersCollection;

  state["search"] = {{"containers", outlook_.SearchContainerPaths()},
                     {"running", outlook_.SearchRunning()},
                     {"history", outlook_.SearchHistory()},
                     {"scopeAccepted", outlook_.Scope().Accepted},
                     {"remindersActive", outlook_.RemindersActive()}};

  state["registry"] = ProductRegistryJson(world_.Registry(), world_.Codec());

  nlohmann::json boxes = nlohmann::json::array();
  for (const NativeUi::MessageBox& box : ui_.MessageBoxes()) {
    boxes.push_back({{"text", box.Prompt}, {"style", box.Style}, {"title", box.Title}});
  }
  state["messageBoxes"] = std::move(boxes);
  nlohmann::json helpCalls = nlohmann::json::array();
  for (const NativeUi::HelpCall& call : ui_.HelpCalls()) {
    helpCalls.push_back({{"owner", call.Owner}, {"file", world_.Codec().FromAnsi(call.File)},
                         {"command", call.Command}, {"context", call.Data}});
  }
  state["pageInfo"] = PageInfoJson();
  state["helpCalls"] = std::move(helpCalls);
  state["aboutBoxes"] = ui_.AboutBoxes().size();
  state["log"] = LogJson();
  state["liveHostObjects"] = outlook_.LiveObjects();
  return state;
}

}  // namespace bellnest::sim
