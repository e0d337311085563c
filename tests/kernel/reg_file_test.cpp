// The registry's .reg files: regedit's export format written exactly,
// every value type read back to the same type and bytes, regedit's own
// files (wrapped lines, comments, UTF-16) read, and faulty files refused by
// line with the registry left as it was.
#include <kernel/host_kernel.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ledger_test.h"

namespace {

const std::string kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam\\Settings";

std::vector<std::uint8_t> counting(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    }
    return bytes;
}

std::vector<std::uint8_t> utf16le(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::string header(std::string_view body) {
    return "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(body);
}

class RegFileTest : public LedgerTest {
  protected:
    host::Registry& registry() { return host::registry(); }

    // Every value of every key, for comparing whole registries.
    std::map<std::string, std::vector<std::pair<std::string, host::RegistryValue>>> snapshot(
        const std::string& key) {
        std::map<std::string, std::vector<std::pair<std::string, host::RegistryValue>>> all;
        for (const std::string& name : registry().valueNames(key)) {
            all[key].emplace_back(name, *registry().value(key, name));
        }
        for (const std::string& subkey : registry().subkeyNames(key)) {
            all.merge(snapshot(key + "\\" + subkey));
        }
        return all;
    }
};

TEST_F(RegFileTest, ExportListsParentsAndFormatsValuesAsRegedit) {
    registry().setDword(kKey, "Exposure", 10);
    registry().setString(kKey, "Mode", "C:\\\"x\"");
    registry().setValue(kKey, "", REG_BINARY, {0xAB, 0x01});
    registry().createKey("HKEY_USERS\\Empty");

    EXPECT_EQ(registry().toRegText(),
              header("[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam]\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam\\Settings]\r\n"
                     "\"Exposure\"=dword:0000000a\r\n"
                     "\"Mode\"=\"C:\\\\\\\"x\\\"\"\r\n"
                     "@=hex:ab,01\r\n\r\n"
                     "[HKEY_USERS\\Empty]\r\n\r\n"));
}

TEST_F(RegFileTest, EveryTypeRoundTripsToTheSameTypeAndBytes) {
    registry().setValue(kKey, "None", REG_NONE, {});
    registry().setString(kKey, "Text \"quoted\" \\ back",
                         "Gr\xC3\xBC\xC3\x9F"
                         "e");
    registry().setValue(kKey, "Unterminated", REG_SZ, utf16le(u"abc"));
    registry().setValue(kKey, "Odd", REG_SZ, {0x41});
    registry().setValue(kKey, "Control", REG_SZ, utf16le(std::u16string(u"a\nb\0", 4)));
    registry().setValue(kKey, "Expand", REG_EXPAND_SZ, utf16le(std::u16string(u"%Temp%\0", 7)));
    registry().setValue(kKey, "Multi", REG_MULTI_SZ, utf16le(std::u16string(u"a\0bc\0\0", 6)));
    registry().setValue(kKey, "Binary", REG_BINARY, counting(100));
    registry().setValue(kKey, "Qword", REG_QWORD, counting(8));
    registry().setValue(kKey, "ShortDword", REG_DWORD, {1, 2});
    registry().setDword(kKey, "Dword", 0xFFFFFFFF);
    registry().setValue(kKey, "Custom", 0x100000, counting(3));
    registry().setValue(kKey + "\\\xC3\x84rger", "", REG_BINARY, {});
    const auto before = snapshot("HKEY_LOCAL_MACHINE");
    const std::string text = registry().toRegText();

    registry().clear();
    registry().loadRegText(text);
    EXPECT_EQ(snapshot("HKEY_LOCAL_MACHINE"), before);
    EXPECT_EQ(registry().toRegText(), text);
}

TEST_F(RegFileTest, LongHexListsWrapAsRegeditWrapsThem) {
    registry().setValue(kKey, "ProductId", REG_BINARY, counting(64));
    std::istringstream lines(registry().toRegText());
    std::string line;
    std::vector<std::string> wrapped;
    while (std::getline(lines, line)) {
        if (line.starts_with("\"ProductId\"") ||
            (!wrapped.empty() && wrapped.back().ends_with("\\\r"))) {
            wrapped.push_back(line);
        }
    }
    // 21 bytes, 25 bytes, the last 18; lines of up to 80 columns (plus CR).
    ASSERT_EQ(wrapped.size(), 3U);
    EXPECT_EQ(wrapped[0],
              "\"ProductId\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,77,7e,"
              "85,8c,\\\r");
    EXPECT_EQ(wrapped[1].size(), 2U + 25 * 3 + 2);
    EXPECT_TRUE(wrapped[1].starts_with("  93,"));
    EXPECT_EQ(wrapped[2].size(), 2U + 18 * 3 - 1 + 1);
}

TEST_F(RegFileTest, RegeditFilesWithCommentsContinuationsAndDeletionsLoad) {
    registry().setDword(kKey, "Stale", 1);
    registry().setDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Old\\Sub", "Gone", 1);
    registry().loadRegText(
        header("; exported by hand\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam\\Settings]\n"
               "\"Stale\"=-\n"
               "\"Gains\"=hex:01,02,\\\n"
               "    03,04\n"
               "  \"Big\"=dword:1F\n"
               "@=\"default\"\n"
               "\n"
               "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"));

    EXPECT_FALSE(registry().value(kKey, "Stale"));
    EXPECT_EQ(registry().value(kKey, "Gains"), (host::RegistryValue{REG_BINARY, {1, 2, 3, 4}}));
    EXPECT_EQ(registry().dword(kKey, "big"), 0x1FU);
    EXPECT_EQ(registry().value(kKey, ""),
              (host::RegistryValue{REG_SZ, utf16le(std::u16string(u"default\0", 8))}));
    EXPECT_FALSE(registry().keyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Old"));
}

TEST_F(RegFileTest, Utf16FilesWithAByteOrderMarkLoad) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam\\Settings]\r\n"
        u"\"H\u00fce\"=dword:00000005\r\n";
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (std::uint8_t byte : utf16le(text)) {
        bytes.push_back(byte);
    }
    registry().loadRegText(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(registry().dword(kKey,
                               "H\xC3\xBC"
                               "e"),
              5U);

    registry().loadRegText("\xEF\xBB\xBF" + header("[" + kKey + "]\r\n\"Bom\"=dword:1\r\n"));
    EXPECT_EQ(registry().dword(kKey, "Bom"), 1U);
}

TEST_F(RegFileTest, MalformedFilesAreRefusedByLineAndChangeNothing) {
    registry().setDword(kKey, "Keep", 7);
    const std::string before = registry().toRegText();
    const std::string section = "[" + kKey + "]\n";
    const std::pair<std::string, std::string> cases[] = {
        {"REGEDIT4\n", "line 1:"},
        {header("\"Early\"=dword:1\n"), "line 3: a value must follow"},
        {header(section + "\"A\"=dword:123456789\n"), "line 4: a dword"},
        {header(section + "\"A\"=dword:xyz\n"), "line 4: a dword is not hexadecimal"},
        {header(section + "\"A\"=hex:01,2g\n"), "line 4: a byte"},
        {header(section + "\"A\"=hex:01,\n"), "line 4: a byte"},
        {header(section + "\"A\"=hex(x):01\n"), "line 4: a value type"},
        {header(section + "\"A\"=\"open\n"), "line 4: a quoted string is not closed"},
        {header(section + "\"A\"=\"a\\n\"\n"), "line 4: only"},
        {header(section + "\"A\"=\"x\" junk\n"), "line 4: unexpected text"},
        {header(section + "\"A\"dword:1\n"), "line 4: expected '='"},
        {header(section + "\"A\"=word:1\n"), "line 4: unknown value data"},
        {header(section + "\"A\"=hex:01,\\\n"), "line 4: the value continues past"},
        {header(section + "\n\"A\"=dword:1\nnonsense\n"), "line 6: expected a [key]"},
        {header("[HKEY_CURRENT_USER\\X]\n"), "line 3: key path does not start"},
        {header("[HKEY_LOCAL_MACHINE\\\\X]\n"), "line 3: key path has an empty component"},
        {header("[HKEY_LOCAL_MACHINE\\X\n"), "line 3: a key line must end"},
        {header("[HKEY_LOCAL_MACHINE]\n\"A\"=dword:1\n"), "line 4: a hive holds no values"},
        {header("[-HKEY_USERS]\n"), "line 3: a hive cannot be deleted"},
        {header(section + "\"\xC3\"=dword:1\n"), "line 4: not valid UTF-8"},
        {std::string("\xFF\xFE\x57", 3), "line 1: the file is not well-formed UTF-16LE"},
    };
    for (const auto& [text, fault] : cases) {
        SCOPED_TRACE(text);
        try {
            registry().loadRegText(text);
            ADD_FAILURE() << "loaded";
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(fault)) << error.what();
        }
    }
    EXPECT_EQ(registry().toRegText(), before);
}

TEST_F(RegFileTest, SaveReplacesTheFileAtomicallyAndLoadsBack) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("bayercam-reg-" + std::to_string(::getpid()) + "-" +
         testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory);
    const std::filesystem::path file = directory / "settings.reg";
    std::ofstream(file) << "old contents";

    registry().setDword(kKey, "Gain", 3);
    registry().saveRegFile(file);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory),
                            std::filesystem::directory_iterator()),
              1);  // no temporary left behind
    std::stringstream saved;
    saved << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(saved.str(), registry().toRegText());

    registry().clear();
    registry().loadRegFile(file);
    EXPECT_EQ(registry().dword(kKey, "Gain"), 3U);
    EXPECT_THROW(registry().loadRegFile(directory / "missing.reg"), std::runtime_error);
    std::filesystem::remove_all(directory);
}

TEST_F(RegFileTest, TestPathsAreCheckedAndHivesHoldNoValues) {
    EXPECT_THROW(registry().setDword("HKLM\\SOFTWARE", "A", 1), std::invalid_argument);
    EXPECT_THROW(registry().setDword("HKEY_LOCAL_MACHINE", "A", 1), std::invalid_argument);
    EXPECT_THROW(registry().createKey("HKEY_LOCAL_MACHINE\\A\\"), std::invalid_argument);
    EXPECT_THROW(registry().deleteKey("HKEY_USERS"), std::invalid_argument);
    EXPECT_FALSE(registry().deleteKey("HKEY_USERS\\Missing"));
    EXPECT_TRUE(registry().valueNames("HKEY_USERS\\Missing").empty());
}

}  // namespace
