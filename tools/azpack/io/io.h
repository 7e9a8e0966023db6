// The platform: binary file I/O and the command line as UTF-8. Nothing else
// in azpack calls the platform's file or argument API.
#ifndef AZPACK_IO_IO_H
#define AZPACK_IO_IO_H

#include "io/file_io.h"
#include "io/utf8_arguments.h"

#endif
