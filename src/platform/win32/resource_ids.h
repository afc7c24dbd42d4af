// Resource numbers of the Windows world's own resources; included by C++ and by the resource
// script, so it holds plain #defines only.
#pragma once

// The folder images of the tree: one strip of 13 images, 16 by 16 pixels each.
#define BELLNEST_IDB_FOLDER_IMAGES 201
// The product icon, shown by the About dialog (the DLL's resources carry it; a program
// without it gets the stock application icon).
#define BELLNEST_IDI_PRODUCT 1
