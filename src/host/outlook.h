// The members of Outlook's object model (and of Office's COM add-in list) that the page calls,
// as C++ interfaces. Every member can fail: it returns its value or the host's error.
// An object result may be empty ("Nothing") where Outlook can answer with no object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/error_info.h"
#include "host/variant.h"

namespace bellnest {

class MapiFolder;
class Folders;
class FolderEnumerator;
class NameSpace;
class Application;
class ComAddIns;
class ComAddIn;
class PropertyPageSite;
using MapiFolderPtr = std::shared_ptr<MapiFolder>;
using FoldersPtr = std::shared_ptr<Folders>;
using FolderEnumeratorPtr = std::shared_ptr<FolderEnumerator>;
using NameSpacePtr = std::shared_ptr<NameSpace>;
using ApplicationPtr = std::shared_ptr<Application>;
using ComAddInsPtr = std::shared_ptr<ComAddIns>;
using ComAddInPtr = std::shared_ptr<ComAddIn>;
using PropertyPageSitePtr = std::shared_ptr<PropertyPageSite>;

// OlDefaultFolders values the page asks for.
namespace ol {
inline constexpr int32_t kFolderDeletedItems = 3;
inline constexpr int32_t kFolderOutbox = 4;
inline constexpr int32_t kFolderSentMail = 5;
inline constexpr int32_t kFolderInbox = 6;
inline constexpr int32_t kFolderCalendar = 9;
inline constexpr int32_t kFolderContacts = 10;
inline constexpr int32_t kFolderJournal = 11;
inline constexpr int32_t kFolderNotes = 12;
inline constexpr int32_t kFolderTasks = 13;
inline constexpr int32_t kFolderDrafts = 16;
inline constexpr int32_t kFolderJunk = 23;
}  // namespace ol

class MapiFolder {
 public:
  virtual ~MapiFolder() = default;
  // The folder above; a store's top folder has none that is a folder (type mismatch).
  virtual Result<MapiFolderPtr> Parent() = 0;
  virtual Result<std::string> EntryID() = 0;
  virtual Result<std::string> StoreID() = 0;
  virtual Result<std::string> Name() = 0;
  virtual Result<FoldersPtr> Folders() = 0;
};

// A folder's subfolders; For Each walks them once through an enumerator.
class Folders {
 public:
  virtual ~Folders() = default;
  virtual Result<FolderEnumeratorPtr> NewEnum() = 0;
};

class FolderEnumerator {
 public:
  virtual ~FolderEnumerator() = default;
  // The next subfolder, or an empty pointer after the last one.
  virtual Result<MapiFolderPtr> Next() = 0;
};

class NameSpace {
 public:
  virtual ~NameSpace() = default;
  virtual Result<MapiFolderPtr> GetDefaultFolder(int32_t folderType) = 0;
  virtual Result<MapiFolderPtr> GetFolderFromID(const std::string& entryId, const std::string& storeId) = 0;
  // Members read by name at run time ("MAPIOBJECT").
  virtual Result<Variant> GetProperty(const std::string& name) = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual Result<ComAddInsPtr> COMAddIns() = 0;
  virtual Result<NameSpacePtr> GetNamespace(const std::string& type) = 0;
  virtual Result<std::string> Version() = 0;
};

class ComAddIns {
 public:
  virtual ~ComAddIns() = default;
  // By ProgID; an add-in that is not listed fails.
  virtual Result<ComAddInPtr> Item(const std::string& progId) = 0;
};

class ComAddIn {
 public:
  virtual ~ComAddIn() = default;
  // The add-in's automation object (late bound), or Nothing when it is not connected.
  virtual Result<DispatchPtr> Object() = 0;
};

// Implemented by Outlook for the page it hosts.
class PropertyPageSite {
 public:
  virtual ~PropertyPageSite() = default;
  virtual Result<ApplicationPtr> Application() = 0;
  virtual Status OnStatusChange() = 0;
};

}  // namespace bellnest
