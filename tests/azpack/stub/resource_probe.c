/* The stub of the stamping tests. Without arguments it does nothing. With
 * PAYLOAD it checks that its own resource QX_TYPE / QX_AZARCH, found by name
 * as the installer finds it and by language 1036, holds exactly the bytes of
 * the file PAYLOAD, and that its version resource survived the stamping. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static int fail(const char* what) {
    printf("resource_probe: %s\n", what);
    return 1;
}

int main(int argc, char** argv) {
    HMODULE self = GetModuleHandleA(NULL);
    HRSRC found;
    HRSRC french;
    DWORD size;
    const unsigned char* bytes;
    unsigned char* expected;
    long length;
    FILE* file;

    if (argc < 2)
        return 0;
    found = FindResourceA(self, "QX_AZARCH", "QX_TYPE");
    if (found == NULL)
        return fail("FindResourceA found no QX_AZARCH");
    french = FindResourceExA(self, "QX_TYPE", "QX_AZARCH", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
    if (french == NULL)
        return fail("FindResourceExA found no QX_AZARCH in language 1036");
    size = SizeofResource(self, found);
    if (size != SizeofResource(self, french))
        return fail("the resource found by name differs from the one in language 1036");
    bytes = (const unsigned char*)LockResource(LoadResource(self, found));
    if (bytes == NULL)
        return fail("LoadResource/LockResource failed");
    if (FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)) == NULL)
        return fail("the version resource is gone");
    if (FindResourceA(self, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(14)) == NULL)
        return fail("the icon group is gone");
    if (FindResourceA(self, "FIRST", "AA_TYPE") == NULL ||
        FindResourceA(self, "LAST", "ZZ_TYPE") == NULL)
        return fail("a named resource is gone");

    file = fopen(argv[1], "rb");
    if (file == NULL)
        return fail("cannot open the payload file");
    fseek(file, 0, SEEK_END);
    length = ftell(file);
    fseek(file, 0, SEEK_SET);
    expected = (unsigned char*)malloc(length > 0 ? (size_t)length : 1);
    if (expected == NULL || fread(expected, 1, (size_t)length, file) != (size_t)length)
        return fail("cannot read the payload file");
    fclose(file);
    if ((DWORD)length != size) {
        printf("resource_probe: SizeofResource gives %lu bytes, the payload has %ld\n",
               (unsigned long)size, length);
        return 1;
    }
    if (memcmp(bytes, expected, size) != 0)
        return fail("the resource bytes differ from the payload");
    free(expected);
    printf("resource_probe: resource of %lu bytes matches\n", (unsigned long)size);
    return 0;
}
