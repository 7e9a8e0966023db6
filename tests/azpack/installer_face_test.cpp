#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "names/nearest_name.h"
#include "pe/icon_file.h"
#include "pe/version_resource.h"
#include "write/folder_check.h"

namespace {

using azpack::VersionBlock;

void put16(std::vector<unsigned char>* out, uint32_t v) {
    out->push_back(static_cast<unsigned char>(v));
    out->push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>* out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

VersionBlock text(const std::u16string& key, const std::u16string& value) {
    VersionBlock block;
    block.key = key;
    block.type = 1;
    std::u16string withEnd = value + u'\0';
    block.valueLength = static_cast<uint16_t>(withEnd.size());
    for (char16_t c : withEnd) {
        block.value.push_back(static_cast<unsigned char>(c));
        block.value.push_back(static_cast<unsigned char>(c >> 8));
    }
    return block;
}

// A resource as windres writes the stub's: fixed part, one French table.
VersionBlock stubVersion() {
    VersionBlock root;
    root.key = u"VS_VERSION_INFO";
    put32(&root.value, 0xFEEF04BD);
    put32(&root.value, 0x10000);
    for (int i = 0; i < 11; ++i)
        put32(&root.value, i < 4 ? 0x10000 : 0);
    root.valueLength = static_cast<uint16_t>(root.value.size());
    VersionBlock strings;
    strings.key = u"StringFileInfo";
    strings.type = 1;
    VersionBlock table;
    table.key = u"040C04E4";
    table.type = 1;
    table.children.push_back(text(u"FileDescription", u"Programme d'installation"));
    table.children.push_back(text(u"InternalName", u"azsetup"));
    table.children.push_back(text(u"ProductVersion", u"1.0.0.0"));
    strings.children.push_back(table);
    root.children.push_back(strings);
    return root;
}

TEST(VersionResource, WrittenReadBackAndChanged) {
    std::vector<unsigned char> bytes = azpack::writeVersionResource(stubVersion());
    ASSERT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, static_cast<int>(bytes.size()));
    VersionBlock read;
    ASSERT_TRUE(azpack::parseVersionResource(bytes, &read));
    EXPECT_EQ(azpack::writeVersionResource(read), bytes);
    EXPECT_EQ(azpack::versionString(read, "InternalName"), "azsetup");

    azpack::VersionFace face;
    face.productVersion = "2.5.1";
    face.company = "Soci\xC3\xA9t\xC3\xA9";
    face.productName = "Carnet";
    std::string error;
    ASSERT_TRUE(azpack::applyVersionFace(face, &read, &error)) << error;
    VersionBlock changed;
    ASSERT_TRUE(azpack::parseVersionResource(azpack::writeVersionResource(read), &changed));
    EXPECT_EQ(azpack::versionString(changed, "ProductVersion"), "2.5.1");
    EXPECT_EQ(azpack::versionString(changed, "FileVersion"), "2.5.1");
    EXPECT_EQ(azpack::versionString(changed, "CompanyName"), "Soci?t?");
    EXPECT_EQ(azpack::versionString(changed, "FileDescription"), "Programme d'installation");
    EXPECT_EQ(azpack::versionString(changed, "InternalName"), "azsetup");
    EXPECT_EQ(changed.value[8] | changed.value[9] << 8 | changed.value[10] << 16, 0x020005);
    EXPECT_EQ(changed.value[12] | changed.value[13] << 8 | changed.value[14] << 16, 0x010000);
}

TEST(VersionResource, DamagedBytesAreRefused) {
    std::vector<unsigned char> bytes = azpack::writeVersionResource(stubVersion());
    VersionBlock read;
    for (size_t cut = 0; cut < bytes.size(); cut += 3) {
        std::vector<unsigned char> shorter(bytes.begin(), bytes.begin() + cut);
        EXPECT_FALSE(azpack::parseVersionResource(shorter, &read)) << cut;
    }
    std::vector<unsigned char> lying = bytes;
    lying[0] = 0xFF;
    lying[1] = 0xFF;
    EXPECT_FALSE(azpack::parseVersionResource(lying, &read));
}

TEST(VersionResource, VersionNumbers) {
    uint16_t parts[4];
    EXPECT_TRUE(azpack::parseVersionNumbers("7", parts));
    EXPECT_TRUE(azpack::parseVersionNumbers("1.2.3.65535", parts));
    EXPECT_EQ(parts[3], 65535);
    for (const char* bad : {"", "1.", ".1", "1.2.3.4.5", "65536", "1..2", "v1", "1.2 ", "1,2"})
        EXPECT_FALSE(azpack::parseVersionNumbers(bad, parts)) << bad;
}

TEST(IconFile, ImagesAndGroup) {
    std::vector<unsigned char> ico;
    put16(&ico, 0);
    put16(&ico, 1);
    put16(&ico, 2);
    const uint32_t sizes[] = {3, 5};
    uint32_t offset = 6 + 32;
    for (uint32_t size : sizes) {
        ico.insert(ico.end(), {16, 16, 0, 0, 1, 0, 32, 0});
        put32(&ico, size);
        put32(&ico, offset);
        offset += size;
    }
    ico.insert(ico.end(), {'a', 'b', 'c', '1', '2', '3', '4', '5'});
    azpack::IconResources icon;
    std::string reason;
    ASSERT_TRUE(azpack::iconFromBytes(ico, &icon, &reason)) << reason;
    ASSERT_EQ(icon.images.size(), 2u);
    EXPECT_EQ(std::string(icon.images[1].begin(), icon.images[1].end()), "12345");
    ASSERT_EQ(icon.group.size(), 6u + 2 * 14);
    EXPECT_EQ(icon.group[6 + 14 + 12], 2);

    std::vector<unsigned char> outside = ico;
    outside[6 + 16 + 8] = 6;  // the second image now runs past the end
    EXPECT_FALSE(azpack::iconFromBytes(outside, &icon, &reason));
    EXPECT_FALSE(azpack::iconFromBytes({'M', 'Z', 0, 0, 0, 0}, &icon, &reason));
    EXPECT_FALSE(azpack::iconFromBytes({0, 0, 1, 0, 0, 0}, &icon, &reason));
    EXPECT_FALSE(azpack::iconFromBytes({}, &icon, &reason));
}

TEST(NearestName, SuggestsOnlyCloseNames) {
    EXPECT_EQ(azpack::nearestName("--prodcut-name", {"--product-name", "--project"}),
              "--product-name");
    EXPECT_EQ(azpack::nearestName("BIN\\APQ.EXE", {"bin\\app.exe", "readme.txt"}), "bin\\app.exe");
    EXPECT_EQ(azpack::nearestName("--frobnicate", {"--stub", "--level"}), "");
    EXPECT_EQ(azpack::nearestName(std::string(5000, 'a'), {"a"}), "");
}

TEST(FolderCheck, TemplatesAsTheInstallerExpandsThem) {
    auto check = [](const char* value, std::vector<std::string>* warnings) {
        azpack::Setting setting{value, "--install-folder"};
        std::string error;
        bool ok = azpack::checkInstallFolder(setting, warnings, &error);
        return ok ? std::string() : error;
    };
    std::vector<std::string> warnings;
    for (const char* good : {"%PROGRAMFILES%\\App", "%programfiles%", "%ProgramFiles%\\A\\B"})
        EXPECT_EQ(check(good, &warnings), "") << good;
    EXPECT_TRUE(warnings.empty());
    // Full paths, but not below the program-files folder: a warning each.
    for (const char* outside : {"C:\\App", "\\\\server\\share\\App", "%windir%", "%AppData%\\App",
                                "$Software\\X\\Dir$\\App", "%start menu%\\App",
                                "%PROGRAMFILES%\\..\\App", "C:\\Program Files\\App"}) {
        EXPECT_EQ(check(outside, &warnings), "") << outside;
        ASSERT_EQ(warnings.size(), 1u) << outside;
        EXPECT_NE(warnings[0].find("can lead outside the program-files folder"), std::string::npos);
        warnings.clear();
    }
    for (const char* bad : {"Mon Appli", "$PROGRAMFILES\\Mon Appli", "\\App", "C:App", "\\\\"})
        EXPECT_NE(check(bad, &warnings), "") << bad;
    EXPECT_EQ(check("%programfile%\\App", &warnings), "");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("%programfile% is not a folder macro"), std::string::npos);
    warnings.clear();
    EXPECT_EQ(check("", &warnings), "");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("Desktop"), std::string::npos);
}

TEST(FolderCheck, InstalledPathsThatCannotBeRecorded) {
    auto check = [](const std::string& value, size_t entryLength,
                    std::vector<std::string>* warnings) {
        azpack::Setting setting{value, "--install-folder"};
        std::string error;
        bool ok = azpack::checkInstalledPathLengths(setting, std::string(entryLength, 'e'), "setup",
                                                    warnings, &error);
        return ok ? std::string() : error;
    };
    std::vector<std::string> warnings;
    // C:\ + 236 + \ + the profile's 17 characters: 257, fits; so does a
    // 4-character entry: 244, with room for the 15 its side file adds.
    EXPECT_EQ(check("C:\\" + std::string(236, 'x'), 4, &warnings), "");
    EXPECT_TRUE(warnings.empty());
    // The same folder with a 21-character entry: 261 even at its shortest.
    std::string error = check("C:\\" + std::string(236, 'x'), 21, &warnings);
    EXPECT_NE(error.find("paths of 261 characters"), std::string::npos) << error;
    // The profile alone: C:\ + 240 + \TAVUUNINSTALL.INI = 261.
    EXPECT_NE(check("C:\\" + std::string(240, 'x'), 1, &warnings), "");
    // Fits at the drive's root, not in Program Files (x86): a warning that
    // shows the longest path.
    EXPECT_EQ(check("%PROGRAMFILES%\\" + std::string(200, 'x'), 25, &warnings), "");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("may pass 244 characters"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("is 249 characters"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("C:\\Program Files (x86)\\xx"), std::string::npos);
    warnings.clear();
    // A user's folder with a 20-character user name; the installer's name as leaf.
    EXPECT_EQ(check("%Programs%", 170, &warnings), "");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("\\Start Menu\\Programs\\setup\\eee"), std::string::npos);
}

}  // namespace
