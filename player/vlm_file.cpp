// Media lists.
#include "vlm_file.h"

MediaFileListRecord MediaFileList;
