// PE image editing: the headers of a Windows executable, its resource tree,
// the checksum, the icon and version resources of the installer file, and
// stamping a payload into a copy of an installer stub.
#ifndef AZPACK_PE_PE_H
#define AZPACK_PE_PE_H

#include "pe/icon_file.h"
#include "pe/pe_checksum.h"
#include "pe/pe_image.h"
#include "pe/pe_stamp.h"
#include "pe/resource_tree.h"
#include "pe/version_resource.h"

#endif
