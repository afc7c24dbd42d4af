// .reg files in and out of the in-memory registry: what regedit writes in both formats loads
// byte for byte, what we save loads back unchanged, and a malformed file is refused with the
// file, the line and the problem, changing nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/code_page.h"
#include "sim/memory_registry.h"

namespace bellnest::sim {
namespace {

const std::string kProduct = "Software\\Quillfen\\Bellnest";

// Text with the terminating NUL regedit stores after quoted text.
std::string WithNul(std::string text) { return text + '\0'; }

// Latin-1 text as a UTF-16LE file with its byte order mark.
std::string Utf16File(std::string_view latin1) {
  std::string out = "\xFF\xFE";
  for (char c : latin1) out += {c, '\0'};
  return out;
}

class RegFileTest : public testing::Test {
 protected:
  Status Import(std::string_view text) { return registry_.ImportRegText(text, "test.reg", codec_); }
  std::optional<RegValue> Value(std::string_view path, std::string_view name) {
    return registry_.GetValue(kHkeyCurrentUser, path, name);
  }

  Windows1252Codec codec_;
  MemoryRegistry registry_;
};

TEST_F(RegFileTest, ARegeditUnicodeExportLoadsAsTheAnsiFunctionsSeeIt) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\r\n"
      "\"IncludeSubfolders\"=dword:00000001\r\n"
      "\"DisableDefaultFolders\"=dword:00000000\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest\\B\xfcro]\r\n"
      "\"ReminderFolders\"=\"Caf\xe9 \\\"Notizen\\\" C:\\\\Temp\"\r\n"
      "@=\"\"\r\n"
      "\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,\\\r\n"
      "  00,00\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "  ff\r\n"
      "\r\n";
  ASSERT_TRUE(Import(Utf16File(text)).Ok());
  EXPECT_EQ(Value(kProduct, "IncludeSubfolders")->Data, std::string("\x01\0\0\0", 4));
  const std::string profile = kProduct + "\\B\xfcro";
  // Quoted text is stored with the terminating NUL regedit adds, in Windows-1252.
  EXPECT_EQ(Value(profile, "ReminderFolders")->Data, WithNul("Caf\xe9 \"Notizen\" C:\\Temp"));
  EXPECT_EQ(Value(profile, "")->Data, std::string("\0", 1));
  EXPECT_EQ(Value(profile, "Path")->Type, reg::kExpandSz);
  EXPECT_EQ(Value(profile, "Path")->Data, std::string("%TEMP%\0", 7));
  EXPECT_EQ(Value(profile, "Blob")->Type, reg::kBinary);
  EXPECT_EQ(Value(profile, "Blob")->Data, "\x01\x02\xff");
}

TEST_F(RegFileTest, Utf8WithOrWithoutByteOrderMarkReadsAsUnicode) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    MemoryRegistry fresh;
    const std::string text = bom +
                             "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\n"
                             "\"Name\"=\"Caf\xc3\xa9 \xe2\x80\x93 1\"\n";
    ASSERT_TRUE(fresh.ImportRegText(text, "utf8.reg", codec_).Ok());
    EXPECT_EQ(fresh.GetValue(kHkeyCurrentUser, kProduct, "Name")->Data, WithNul("Caf\xe9 \x96 1"));
  }
}

TEST_F(RegFileTest, Regedit4KeepsAnsiBytesAsTheyAre) {
  const std::string text =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\r\n"
      "\"Name\"=\"Caf\xe9\"\r\n"
      "\"Path\"=hex(2):25,54,25,00\r\n";
  ASSERT_TRUE(Import(text).Ok());
  EXPECT_EQ(Value(kProduct, "Name")->Data, std::string("Caf\xe9\0", 5));
  EXPECT_EQ(Value(kProduct, "Path")->Data, std::string("%T%\0", 4));
}

TEST_F(RegFileTest, DeletionLinesRemoveKeysWithTheirSubkeysAndValues) {
  registry_.SetValue(kHkeyCurrentUser, kProduct + "\\Default\\Deep", "x", reg::kSz, "1");
  registry_.SetValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", reg::kDword, std::string("\1\0\0\0", 4));
  registry_.SetValue(kHkeyCurrentUser, kProduct, "Keep", reg::kDword, std::string("\1\0\0\0", 4));
  const std::string text =
      "REGEDIT4\n"
      "[-HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest\\Default]\n"
      "\"Ignored\"=\"under a deleted key\"\n"
      "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\n"
      "\"includesubfolders\"=-\n";
  ASSERT_TRUE(Import(text).Ok());
  EXPECT_FALSE(registry_.KeyExists(kHkeyCurrentUser, kProduct + "\\Default"));
  EXPECT_FALSE(Value(kProduct, "IncludeSubfolders").has_value());
  EXPECT_TRUE(Value(kProduct, "Keep").has_value());
}

TEST_F(RegFileTest, EveryKindOfValueSurvivesSaveAndLoadByteForByte) {
  struct Case {
    const char* Name;
    uint32_t Type;
    std::string Data;
  };
  std::string longBinary;
  for (int i = 0; i < 300; ++i) longBinary += static_cast<char>(i);
  const std::vector<Case> cases = {
      {"ReminderFolders", reg::kSz, "abc"},  // the system's own: no terminating NUL
      {"Terminated", reg::kSz, std::string("abc\0", 4)},
      {"EmptyNoNul", reg::kSz, ""},
      {"EmptyWithNul", reg::kSz, std::string("\0", 1)},
      {"TwoLines", reg::kSz, std::string("a\r\nb\0", 5)},
      {"Quote \"and\" \\slash\\", reg::kSz, std::string("C:\\Users\\\"pat\"\0", 15)},
      {"Caf\xe9", reg::kSz, std::string("\x80 \xe9\xff\0", 5)},
      {"", reg::kSz, std::string("default\0", 8)},
      {"IncludeSubfolders", reg::kDword, std::string("\x01\0\0\0", 4)},
      {"Negative", reg::kDword, "\xff\xff\xff\xff"},
      {"ShortDword", reg::kDword, "\x01\x02"},
      {"Binary", reg::kBinary, longBinary},
      {"EmptyBinary", reg::kBinary, ""},
      {"Expand", reg::kExpandSz, std::string("%TEMP%\0", 7)},
      {"Multi", reg::kMultiSz, std::string("a\0b\0\0", 5)},
      {"Qword", reg::kQword, std::string("\x01\0\0\0\0\0\0\x80", 8)},
      {"None", reg::kNone, ""},
  };
  for (const Case& c : cases) ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kProduct, c.Name, c.Type, c.Data));
  registry_.SetValue(kHkeyLocalMachine, "Software\\Classes\\QFSMAPI.QFSSession", "", reg::kSz, std::string("x\0", 2));
  RegKey empty = 0;
  registry_.RegCreateKeyA(kHkeyCurrentUser, kProduct + "\\Empty Profile", &empty);
  registry_.RegCloseKey(empty);

  const std::string text = registry_.ExportRegText();
  MemoryRegistry loaded;
  ASSERT_TRUE(loaded.ImportRegText(text, "saved.reg", codec_).Ok()) << text;
  for (const Case& c : cases) {
    const auto value = loaded.GetValue(kHkeyCurrentUser, kProduct, c.Name);
    ASSERT_TRUE(value.has_value()) << c.Name;
    EXPECT_EQ(value->Name, c.Name);
    EXPECT_EQ(value->Type, c.Type) << c.Name;
    EXPECT_EQ(value->Data, c.Data) << c.Name;
  }
  EXPECT_EQ(loaded.KeyPaths(kHkeyCurrentUser), registry_.KeyPaths(kHkeyCurrentUser));
  EXPECT_EQ(loaded.KeyPaths(kHkeyLocalMachine), registry_.KeyPaths(kHkeyLocalMachine));
  EXPECT_EQ(loaded.ExportRegText(), text);
}

TEST_F(RegFileTest, SavedTextIsRegedit4WithTheSystemsValuesReadable) {
  registry_.SetValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", reg::kDword, std::string("\x01\0\0\0", 4));
  registry_.SetValue(kHkeyCurrentUser, kProduct + "\\Default", "ReminderFolders", reg::kSz, "abc");
  registry_.SetValue(kHkeyCurrentUser, kProduct + "\\Default", "Note", reg::kSz, std::string("C:\\x\0", 5));
  EXPECT_EQ(registry_.ExportRegText(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quillfen]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\r\n"
            "\"IncludeSubfolders\"=dword:00000001\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest\\Default]\r\n"
            "\"ReminderFolders\"=hex(1):61,62,63\r\n"
            "\"Note\"=\"C:\\\\x\"\r\n\r\n");
}

TEST_F(RegFileTest, FilesOnDiskRoundTripAndAMissingFileIsNamed) {
  const auto dir = std::filesystem::path(testing::TempDir()) / "bellnest-reg-file-test";
  std::filesystem::create_directories(dir);
  registry_.SetValue(kHkeyCurrentUser, kProduct, "ReminderFolders", reg::kSz, "abc");
  ASSERT_TRUE(registry_.SaveRegFile(dir / "saved.reg").Ok());
  MemoryRegistry loaded;
  ASSERT_TRUE(loaded.LoadRegFile(dir / "saved.reg", codec_).Ok());
  EXPECT_EQ(loaded.GetValue(kHkeyCurrentUser, kProduct, "ReminderFolders")->Data, "abc");

  const Status missing = loaded.LoadRegFile(dir / "missing.reg", codec_);
  ASSERT_FALSE(missing.Ok());
  EXPECT_NE(missing.Error().Description.find("missing.reg"), std::string::npos);
  EXPECT_FALSE(registry_.SaveRegFile(dir / "no-such-folder" / "x.reg").Ok());
  std::filesystem::remove_all(dir);
}

struct Malformed {
  const char* Label;
  std::string Text;
  int Line;
  const char* Problem;
};

class MalformedRegFile : public RegFileTest, public testing::WithParamInterface<Malformed> {};

TEST_P(MalformedRegFile, IsRefusedWithFileLineAndProblemAndChangesNothing) {
  registry_.SetValue(kHkeyCurrentUser, kProduct, "Keep", reg::kSz, "abc");
  const std::string before = registry_.ExportRegText();
  const Status status = registry_.ImportRegText(GetParam().Text, "C:\\profiles\\broken.reg", codec_);
  ASSERT_FALSE(status.Ok());
  const std::string expected =
      "C:\\profiles\\broken.reg, line " + std::to_string(GetParam().Line) + ": " + GetParam().Problem;
  EXPECT_EQ(status.Error().Description.substr(0, expected.size()), expected) << status.Error().Description;
  EXPECT_EQ(status.Error().Number, kRegFileMalformed);
  EXPECT_EQ(registry_.ExportRegText(), before);
}

const std::string kHead =
    "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\n\"Good\"=\"set before the fault\"\n";

INSTANTIATE_TEST_SUITE_P(
    RegFile, MalformedRegFile,
    testing::Values(Malformed{"NoHeader", "[HKEY_CURRENT_USER\\x]\n", 1, "not a registry file"},
                    Malformed{"Empty", "", 1, "not a registry file"},
                    Malformed{"UnknownRoot", "REGEDIT4\n\n[HKEY_NOWHERE\\x]\n", 3, "unknown root key \"HKEY_NOWHERE\""},
                    Malformed{"NoClosingBracket", "REGEDIT4\n[HKEY_CURRENT_USER\\x\n", 2, "the key line lacks"},
                    Malformed{"DeleteRoot", "REGEDIT4\n[-HKEY_CURRENT_USER]\n", 2, "a root key cannot be deleted"},
                    Malformed{"ValueFirst", "REGEDIT4\n\"a\"=\"b\"\n", 2, "a value line comes before"},
                    Malformed{"Garbage", kHead + "IncludeSubfolders=1\n", 4, "expected a [key] line"},
                    Malformed{"NoEquals", kHead + "\"a\" \"b\"\n", 4, "expected '='"},
                    Malformed{"NoData", kHead + "\"a\"=\n", 4, "the value has no data"},
                    Malformed{"Unterminated", kHead + "\"a\"=\"text\n", 4, "the quoted text has no closing quote"},
                    Malformed{"BadEscape", kHead + "\"a\"=\"C:\\Temp\"\n", 4, "unknown escape \"\\T\""},
                    Malformed{"TextAfterQuote", kHead + "\"a\"=\"x\" y\n", 4, "unexpected text after"},
                    Malformed{"BadDword", kHead + "\"a\"=dword:1234567890\n", 4, "a dword value needs"},
                    Malformed{"BadHexByte", kHead + "\"a\"=hex:01,\\\n  0g\n", 5, "bad hex byte \"0g\""},
                    Malformed{"EmptyByte", kHead + "\"a\"=hex:01,,02\n", 4, "an empty byte"},
                    Malformed{"BadHexType", kHead + "\"a\"=hex(z):01\n", 4, "the type in hex(n)"},
                    Malformed{"ContinuesPastEnd", kHead + "\"a\"=hex:01,\\", 4, "the value continues past"},
                    Malformed{"UnknownKind", kHead + "\"a\"=qword:1\n", 4, "unknown kind of value"},
                    Malformed{"OddUnicodeString",
                              Utf16File("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_"
                                        "USER\\x]\n\"a\"=hex(1):61,00,62\n"),
                              3, "string data in a Unicode file"},
                    Malformed{"BigEndian", "\xFE\xFF", 1, "UTF-16 big-endian"},
                    // Overlong forms of a line feed and a backslash must not reach a name.
                    Malformed{"OverlongLineFeed", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\a\xC0\x8A]\n",
                              2, "invalid UTF-8"},
                    Malformed{"OverlongBackslash",
                              "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\xC1\x9C\"=\"1\"\n", 3,
                              "invalid UTF-8"},
                    Malformed{"LoneSurrogate",
                              Utf16File("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n") +
                                  std::string("\x22\x00\x00\xD8\x22\x00", 6),
                              3, "an unpaired UTF-16 surrogate"}),
    [](const testing::TestParamInfo<Malformed>& info) { return std::string(info.param.Label); });

}  // namespace
}  // namespace bellnest::sim
