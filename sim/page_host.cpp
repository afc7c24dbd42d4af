// The native page host.
#include "sim/page_host.h"

#include <fstream>
#include <sstream>

#include "support/error_log.h"

namespace bellnest::sim {

nlohmann::json ProductRegistryJson(const MemoryRegistry& registry, TextCodec& codec) {
  nlohmann::json keys = nlohmann::json::object();
  const std::string product = kProductKeyPath;
  for (const std::string& path : registry.KeyPaths(kHkeyCurrentUser)) {
    if (path.size() < product.size() || path.compare(0, product.size(), product) != 0) continue;
    nlohmann::json values = nlohmann::json::object();
    for (const RegValue& value : registry.Values(kHkeyCurrentUser, path)) {
      values[codec.FromAnsi(value.Name)] =
          RegistryValueJson(value.Type, value.Data, [&codec](std::string_view d) { return codec.FromAnsi(d); });
    }
    keys[codec.FromAnsi(path)] = std::move(values);
  }
  return keys;
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
  // Outlook lets go of the page site, then the control terminates and goes: what is still
  // alive in between, the control or the shared state did not release.
  container_->Detach();
  page_->UserControl_Terminate();
  liveAtTerminate_ = outlook_.LiveObjects();
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

std::optional<AboutBoxTexts> PageHost::LastAboutBox() const {
  if (ui_.AboutBoxes().empty()) return std::nullopt;
  return ui_.AboutBoxes().back();
}

Status PageHost::Screenshot(const std::filesystem::path&) {
  return ErrorInfo{err::kInvalidProcedureCall,
                   "screenshot: the native page draws nothing; run the Windows stand-in (bellnest_outlook.exe)",
                   "driver"};
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
    // The host's dialog owns every box here; the Windows world checks its owner for real.
    boxes.push_back({{"text", box.Prompt}, {"style", box.Style}, {"title", box.Title}, {"owner", "Options"}});
  }
  state["messageBoxes"] = std::move(boxes);
  nlohmann::json helpCalls = nlohmann::json::array();
  for (const NativeUi::HelpCall& call : ui_.HelpCalls()) {
    helpCalls.push_back({{"owner", call.Owner},
                         {"file", world_.Codec().FromAnsi(call.File)},
                         {"command", call.Command},
                         {"context", call.Data}});
  }
  state["pageInfo"] = PageInfoJson();
  state["helpCalls"] = std::move(helpCalls);
  state["aboutBoxes"] = ui_.AboutBoxes().size();
  state["log"] = LogJson();
  state["liveHostObjects"] = outlook_.LiveObjects();
  return state;
}

}  // namespace bellnest::sim
