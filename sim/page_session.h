// One options-page session as the page driver sees it, whichever world hosts the page: the
// native one (PageHost: the core in process, in-memory controls) or the Windows one (the real
// PPBellnest.dll in the Outlook stand-in's Options dialog, driven by window messages). The
// command language and its printing stand on this interface only, so that a script gives the
// same output in both worlds.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "host/error_info.h"
#include "sim/profile/simulated_outlook.h"
#include "support/registry_api.h"
#include "support/ui_api.h"

namespace bellnest::sim {

class PageSession {
 public:
  virtual ~PageSession() = default;

  // Outlook creates the page (opens its Options dialog) and destroys it (closes the dialog).
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Events Outlook raises on an open page; false when no page is open.
  virtual bool Show() = 0;
  virtual bool Paint() = 0;
  virtual bool EnterFocus() = 0;
  virtual bool GotFocus() = 0;
  virtual bool Apply() = 0;
  virtual bool Help() = 0;
  virtual bool About() = 0;
  // What PropertyPage.Dirty answers.
  virtual bool Dirty() = 0;

  // The user's actions. A node is named by its folder path below the store's top folder
  // ("Inbox/Projects", "" or "/" for the top) or by "id:<entry id>".
  virtual Status Tick(std::string_view node, bool checked) = 0;
  virtual Status Expand(std::string_view node, bool expanded) = 0;
  virtual Status ClickSubfolders() = 0;
  virtual Status ClickDefaultFolders() = 0;
  // One pass of the message pump.
  virtual void Pump() = 0;

  // How the help window reacts to WM_CLOSE: closed some pump passes later, or never (-1).
  virtual Status SetHelpCloseDelay(int passes) = 0;
  // How the next `open` creates the page and how its tab is hidden and shown again: order
  // misc-status, initnew-first, load-stream or load-bag; switching window or verb. Only the
  // Windows world has an OLE container to vary; the native one hosts the page one way.
  virtual Status SetContainer(std::string_view order, std::string_view switching) = 0;
  // A picture of the page in its dialog, as PNG.
  virtual Status Screenshot(const std::filesystem::path& file) = 0;

  virtual SimulatedOutlook& Outlook() = 0;
  // The texts of the last About dialog shown, if any.
  virtual std::optional<AboutBoxTexts> LastAboutBox() const = 0;

  // What GetPageInfo answers (help file and topic) on an open page; null when none is open.
  virtual nlohmann::json PageInfoJson() = 0;
  // Everything a user, Outlook or the registry can see, as JSON (docs/page-driver.md).
  virtual nlohmann::json StateJson() = 0;
  // The entries of the log, oldest first, each split into its seven lines.
  virtual nlohmann::json LogJson() const = 0;
  // The tree as drawn: expand signs, check marks, images, names.
  virtual std::string TreeText() const = 0;

  // A folder's path for an entry identifier, or "id:<entry id>" when it names no folder.
  std::string Describe(const std::string& entryId) {
    const ProfileModel& model = Outlook().Model();
    const ContainerRef ref = model.ContainerFor(entryId);
    if (ref.Folder != kNone) {
      if (std::optional<std::string> path = model.PathOf(ref.Folder)) return *path;
    }
    return "id:" + entryId;
  }
};

// Registry values as the state document shows them: the type's name, DWORDs as numbers, text as
// regedit shows it (without the terminating NUL; "bytes" tells the stored size). fromAnsi turns
// the stored bytes into UTF-8.
template <typename FromAnsi>
nlohmann::json RegistryValueJson(uint32_t type, std::string_view data, FromAnsi fromAnsi) {
  static constexpr const char* kNames[] = {"REG_NONE",  "REG_SZ",   "REG_EXPAND_SZ", "REG_BINARY",
                                           "REG_DWORD", "REG_NONE", "REG_NONE",      "REG_MULTI_SZ",
                                           "REG_NONE",  "REG_NONE", "REG_NONE",      "REG_QWORD"};
  nlohmann::json out{{"type", type < std::size(kNames) ? kNames[type] : "REG_NONE"}};
  const size_t bytes = data.size();
  if (type == reg::kDword && data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<uint8_t>(data[static_cast<size_t>(i)]);
    out["data"] = static_cast<int32_t>(n);
  } else {
    if (type != reg::kBinary && !data.empty() && data.back() == '\0') data.remove_suffix(1);
    out["data"] = fromAnsi(data);
  }
  out["bytes"] = bytes;
  return out;
}

// The log file's text (UTF-8, CRLF lines) as the state document's entries.
nlohmann::json LogEntriesJson(const std::string& text);

}  // namespace bellnest::sim
