// Names as Windows stores them: the Windows-1252 code page of every stored
// text, and the file names Windows can hold below a folder.
#ifndef AZPACK_NAMES_NAMES_H
#define AZPACK_NAMES_NAMES_H

#include "names/code_page.h"
#include "names/nearest_name.h"
#include "names/windows_names.h"

#endif
