// The members of the RDO library's object model that the page calls, as C++ interfaces.
// Every member can fail: it returns its value or the library's error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/error_info.h"
#include "host/variant.h"

namespace bellnest {

class RdoSession;
class RdoStores;
class RdoStore;
class RdoReminders;
class RdoFolder;
class RdoSearchFolder;
class RdoSearchContainers;
using RdoSessionPtr = std::shared_ptr<RdoSession>;
using RdoStoresPtr = std::shared_ptr<RdoStores>;
using RdoStorePtr = std::shared_ptr<RdoStore>;
using RdoRemindersPtr = std::shared_ptr<RdoReminders>;
using RdoFolderPtr = std::shared_ptr<RdoFolder>;
using RdoSearchFolderPtr = std::shared_ptr<RdoSearchFolder>;
using RdoSearchContainersPtr = std::shared_ptr<RdoSearchContainers>;

inline constexpr const char* kRdoProgId = "QFSMAPI.QFSSession";

// MAPI property tags read through RDOFolder.Fields.
namespace mapi {
inline constexpr uint32_t kPrContainerClass = 0x3613001E;
inline constexpr uint32_t kPrSubfolders = 0x360A000B;
}  // namespace mapi

class RdoSession {
 public:
  virtual ~RdoSession() = default;
  // The two trailing optional arguments (parent window, no mailbox) are omitted.
  virtual Status Logon(const std::string& profileName, const std::string& password, bool showDialog,
                       bool newSession) = 0;
  virtual Status PutMAPIOBJECT(const Variant& mapiObject) = 0;
  virtual Result<std::string> ProfileName() = 0;
  virtual Result<RdoStoresPtr> Stores() = 0;
  // The flags argument is omitted.
  virtual Result<RdoFolderPtr> GetFolderFromID(const std::string& entryId, const std::string& storeId) = 0;
  virtual Result<bool> CompareEntryIDs(const std::string& entryId1, const std::string& entryId2) = 0;
};

class RdoStores {
 public:
  virtual ~RdoStores() = default;
  virtual Result<RdoStorePtr> DefaultStore() = 0;
};

class RdoStore {
 public:
  virtual ~RdoStore() = default;
  virtual Result<std::string> EntryID() = 0;
  virtual Result<RdoRemindersPtr> Reminders() = 0;
};

// The store's reminders object; its search folder is the one behind the Reminders view.
class RdoReminders {
 public:
  virtual ~RdoReminders() = default;
  // Nothing when the store has no Reminders search folder.
  virtual Result<RdoSearchFolderPtr> SearchFolder() = 0;
};

class RdoFolder {
 public:
  virtual ~RdoFolder() = default;
  virtual Result<std::string> EntryID() = 0;
  virtual Result<std::string> StoreID() = 0;
  virtual Result<std::string> Name() = 0;
  // One MAPI property of the folder; fails when the folder lacks it.
  virtual Result<Variant> Fields(uint32_t propTag) = 0;
};

class RdoSearchFolder : public RdoFolder {
 public:
  virtual Result<RdoSearchContainersPtr> SearchContainers() = 0;
  virtual Status Stop() = 0;
  virtual Status Start() = 0;
  virtual Result<bool> IsRunning() = 0;
};

// The search folder's list of searched folders, 1-based; later positions shift down on Remove.
class RdoSearchContainers {
 public:
  virtual ~RdoSearchContainers() = default;
  virtual Result<int32_t> Count() = 0;
  virtual Result<RdoFolderPtr> Item(int32_t index) = 0;
  virtual Status Add(const RdoFolderPtr& folder) = 0;
  virtual Status Add(const std::string& entryId) = 0;
  virtual Status Remove(int32_t index) = 0;
};

}  // namespace bellnest

namespace bellnest {

// Creates the RDO session by ProgID, as CreateObject does; fails when the library is not registered.
class RdoFactory {
 public:
  virtual ~RdoFactory() = default;
  virtual Result<RdoSessionPtr> CreateSession(const std::string& progId) = 0;
};

}  // namespace bellnest
