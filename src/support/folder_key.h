// The folder key: how a folder stands in the reminder folder set, the page's selection and the
// tree (its entry identifier alone), and the folder identity behind a node's key. Kept here,
// below the tree and the reminder set, because both use it.
#pragma once

#include <string>

namespace bellnest {

// The module of the tree building, the reminder folder set and these two procedures, as the
// log names it.
inline constexpr const char* kPickFoldersModule = "basPPPickFolders";

// The node's key is the entry identifier; every node belongs to the default store.
void SplitFolderKey(const std::string& key, std::string& entryId, std::string& storeId);
// The store identifier is accepted and not used.
std::string MakeFolderKey(const std::string& storeId, const std::string& entryId);

}  // namespace bellnest
