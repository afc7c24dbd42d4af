// The folder key and the folder identity of a tree node.
#include "support/folder_key.h"

#include "host/invoke.h"
#include "support/shared_state.h"

namespace bellnest {

void SplitFolderKey(const std::string& key, std::string& entryId, std::string& storeId) {
  entryId = key;
  Result<std::string> store = Call(State().RootFolder, &MapiFolder::StoreID);
  if (store.Ok()) storeId = store.Value();
}

std::string MakeFolderKey(const std::string& /*storeId*/, const std::string& entryId) { return entryId; }

}  // namespace bellnest
