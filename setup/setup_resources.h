// Resource identifiers of K_SETUP: the four screens' dialog templates and their controls.
// Read by the resource compiler as well, so only #define lines belong here.
#pragma once

#define kLogoDialog 1
#define kDestinationDialog 2
#define kProgressDialog 3
#define kMessageDialog 4

#define kLogoSkinWindow 101
#define kDestinationEdit 102
#define kDestinationFolderList 103
#define kDestinationDriveList 104
#define kProgressSkinWindow 105
#define kMessageSkinWindow 106
