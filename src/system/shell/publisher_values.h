// The publisher's version and name in the installer's Uninstall entry,
// taken from the installer file's own version resource.
#ifndef AZ_SYSTEM_PUBLISHER_VALUES_H
#define AZ_SYSTEM_PUBLISHER_VALUES_H

// Sets "DisplayVersion" (ProductVersion) and "Publisher" (CompanyName) under
// HKEY_LOCAL_MACHINE\`keyPath`, an existing key, when the running program's
// version resource holds both; otherwise writes nothing.
void writePublisherValues(const char* keyPath);

#endif
