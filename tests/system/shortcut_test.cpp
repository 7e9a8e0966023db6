#include "system/shell/shortcut.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "win_test_support.h"

using namespace testing_support;

namespace {

struct LinkContents {
    bool loaded = false;
    std::string target;
    std::string description;
    std::string arguments;
    std::string icon;
    int iconIndex = -1;
};

// Read back through the shell's own link object.
LinkContents readLink(const std::string& path) {
    LinkContents contents;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0)
        return contents;
    HRESULT com = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(widePath, STGM_READ))) {
                char text[1024];
                contents.loaded = true;
                text[0] = '\0';
                link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
                contents.target = text;
                text[0] = '\0';
                link->GetDescription(text, sizeof text);
                contents.description = text;
                text[0] = '\0';
                link->GetArguments(text, sizeof text);
                contents.arguments = text;
                text[0] = '\0';
                link->GetIconLocation(text, sizeof text, &contents.iconIndex);
                contents.icon = text;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return contents;
}

class ShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = freshFolder("azlinks");
        links = folder + "links";
        ASSERT_TRUE(CreateDirectoryA(links.c_str(), nullptr));
        target = folder + "Tool.exe";
        icon = folder + "Tool.ico";
        ASSERT_TRUE(writeFile(target, "MZ"));
        ASSERT_TRUE(writeFile(icon, "icon"));
        setText(HKEY_CURRENT_USER, kShellFoldersKey, "AzLinks", links);
    }

    std::string folder;
    std::string links;
    std::string target;
    std::string icon;
};

TEST_F(ShortcutTest, SavesTargetDescriptionIconAndArguments) {
    TextBuffer out("sentinel");
    ASSERT_TRUE(createShortcut(out, "AzLinks", target.c_str(), "i-PelBor Pro", icon.c_str(), " ?"));
    std::string path = links + "\\i-PelBor Pro.LNK";
    EXPECT_EQ(path, out.text);
    LinkContents link = readLink(path);
    ASSERT_TRUE(link.loaded);
    EXPECT_STRCASEEQ(target.c_str(), link.target.c_str());
    EXPECT_EQ("i-PelBor Pro", link.description);
    EXPECT_EQ(" ?", link.arguments);
    EXPECT_STRCASEEQ(icon.c_str(), link.icon.c_str());
    EXPECT_EQ(0, link.iconIndex);
}

TEST_F(ShortcutTest, EmptyIconAndArgumentsAreNotSet) {
    TextBuffer out(0);
    ASSERT_TRUE(createShortcut(out, "AzLinks", target.c_str(), "Tool", "", ""));
    LinkContents link = readLink(out.text);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ("", link.arguments);
    EXPECT_EQ("", link.icon);
    EXPECT_EQ("Tool", link.description);

    ASSERT_TRUE(createShortcut(out, "AzLinks", target.c_str(), "Tool2", nullptr, nullptr));
    link = readLink(out.text);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ("", link.arguments);
    EXPECT_EQ("", link.icon);
}

TEST_F(ShortcutTest, MissingShellFolderValueGivesNothing) {
    deleteValue(HKEY_CURRENT_USER, kShellFoldersKey, "Favorites");
    TextBuffer out("sentinel");
    EXPECT_FALSE(createShortcut(out, "Favorites", target.c_str(), "Tool", "", ""));
    EXPECT_STREQ("", out.text);
}

TEST_F(ShortcutTest, FolderValueEndingWithBackslashDoublesIt) {
    setText(HKEY_CURRENT_USER, kShellFoldersKey, "AzLinks", links + "\\");
    TextBuffer out(0);
    EXPECT_TRUE(createShortcut(out, "AzLinks", target.c_str(), "Tool", "", ""));
    EXPECT_EQ(links + "\\\\Tool.LNK", out.text);
    EXPECT_TRUE(isFile(links + "\\Tool.LNK"));
}

TEST_F(ShortcutTest, FailedSaveStillHandsBackThePathTried) {
    setText(HKEY_CURRENT_USER, kShellFoldersKey, "AzLinks", folder + "missing");
    TextBuffer out(0);
    EXPECT_FALSE(createShortcut(out, "AzLinks", target.c_str(), "Tool", "", ""));
    EXPECT_EQ(folder + "missing\\Tool.LNK", out.text);
}

TEST_F(ShortcutTest, LinkNamesLeavingTheFolderAreRefused) {
    ASSERT_TRUE(CreateDirectoryA((links + "\\sub").c_str(), nullptr));
    const char* refused[] = {
        "..\\Tool", "sub\\..\\..\\Tool", "../Tool",   "\\Tool", "/Tool", "C:Tool",
        "Tool:x",   "...\\Tool",         "Tool\r\nX", nullptr};
    for (const char* name : refused) {
        TextBuffer out("sentinel");
        EXPECT_FALSE(createShortcut(out, "AzLinks", target.c_str(), name, "", ""))
            << (name ? name : "(null)");
        EXPECT_STREQ("", out.text) << (name ? name : "(null)");
    }
    EXPECT_FALSE(isFile(folder + "Tool.LNK"));
    EXPECT_FALSE(isFile(links + "\\Tool.LNK"));

    TextBuffer out(0);
    EXPECT_TRUE(createShortcut(out, "AzLinks", target.c_str(), "sub\\Tool", "", ""));
    EXPECT_TRUE(isFile(links + "\\sub\\Tool.LNK"));
}

TEST_F(ShortcutTest, PathLongerThan259CharactersIsNotSaved) {
    // The shortcut path is folder + "\" + name + ".LNK".
    std::string fits(259 - links.size() - 5, 'n');
    TextBuffer out(0);
    createShortcut(out, "AzLinks", target.c_str(), fits.c_str(), "", "");
    EXPECT_EQ(259u, strlen(out.text));

    std::string tooLong = fits + "n";
    out.assign("sentinel");
    EXPECT_FALSE(createShortcut(out, "AzLinks", target.c_str(), tooLong.c_str(), "", ""));
    EXPECT_STREQ("", out.text);
}

}  // namespace
