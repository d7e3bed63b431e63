// Files dictbuild is given, judged by name and first bytes: StarDict's information file and
// folder, its parts alone, and the formats it cannot read, each named with what to do.
#include "dictbuild/InputFormat.h"

#include <gtest/gtest.h>

namespace {

InputFormat judged(const std::string& path, const std::string& head, bool infoBeside = false) {
    return inputFormat(path, head, false, infoBeside);
}

std::string utf16le(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii)
        bytes += std::string(1, c) + '\0';
    return bytes;
}

} // namespace

TEST(InputFormat, StardictDictionariesAreKnownByTheirInformationFileOrFolder) {
    EXPECT_EQ(judged("a/XMLittre.ifo", "StarDict's dict ifo file\nversion=2.4.2\n").kind,
              InputKind::StardictInfo);
    EXPECT_EQ(judged("a/renamed.txt", "StarDict's dict ifo file\n").kind, InputKind::StardictInfo);
    EXPECT_EQ(inputFormat("a/dic", "", true, false).kind, InputKind::StardictFolder);
    EXPECT_EQ(judged("gcide.index", "00-database-info\tA\tB\n").kind, InputKind::Other);
    EXPECT_EQ(judged("gcide.dict.dz", "\x1F\x8B\x08").kind, InputKind::Other)
        << "dictd's data, with no information file beside it";
    EXPECT_EQ(judged("words.tsv", "dog\ta friend\n").kind, InputKind::Other);
}

TEST(InputFormat, StardictPartsGivenAloneNameTheInformationFileToGive) {
    const InputFormat index = judged("dic/czech-cizi.idx", std::string("-\0\0\0", 4));
    EXPECT_EQ(index.kind, InputKind::StardictPart);
    EXPECT_EQ(index.message,
              "dic/czech-cizi.idx is a part of a StarDict dictionary; give its information file "
              "dic/czech-cizi.ifo (or the folder holding it) instead, with the .idx and .dict "
              "files beside it");
    EXPECT_EQ(judged("dic/XMLittre.dict.dz", "\x1F\x8B\x08", true).kind, InputKind::StardictPart);
    EXPECT_EQ(judged("dic/XMLittre.idx.gz", "\x1F\x8B\x08").message.substr(0, 58),
              "dic/XMLittre.idx.gz is a part of a StarDict dictionary; gi");
    EXPECT_EQ(stardictInfoName("d.v/x.dict.dz"), "d.v/x.ifo");
}

TEST(InputFormat, FormatsDictbuildCannotReadAreNamedWithWhatToDo) {
    const InputFormat dsl = judged("words.txt", utf16le("#NAME \"Lingvo\"\r\n#INDEX_LANGUAGE"));
    EXPECT_EQ(dsl.kind, InputKind::Unreadable);
    EXPECT_EQ(dsl.message, "words.txt is a DSL dictionary, which dictbuild cannot read; convert it "
                           "to StarDict or dictd format (for example with pyglossary) and import "
                           "that");
    EXPECT_EQ(judged("En-Ru.dsl.dz", "\x1F\x8B").kind, InputKind::Unreadable);
    EXPECT_EQ(judged("plain.dsl", "\xEF\xBB\xBF#NAME x").message.substr(0, 30),
              "plain.dsl is a DSL dictionary,");
    EXPECT_EQ(judged("x.bin", std::string("\0\0\x04\x00", 4) + utf16le("<Dictionary G").substr(2))
                  .message.substr(0, 33),
              "x.bin is an MDict dictionary, whi");
    EXPECT_EQ(judged("Oxford.mdd", "").message.substr(0, 30), "Oxford.mdd is an MDict diction");
    EXPECT_EQ(judged("x.dat", std::string("\x12\x34\x00\x02", 4)).message.substr(0, 32),
              "x.dat is a Babylon dictionary, w");
    EXPECT_EQ(
        judged("x.xml", "<?xml version=\"1.0\"?>\n<xdxf lang_from=\"FRE\">").message.substr(0, 30),
        "x.xml is an XDXF dictionary, w");
    EXPECT_EQ(judged("x.tsv", "term\t<xdxf> is a format\n").kind, InputKind::Other);
    EXPECT_EQ(judged("x.tsv", "#NAMES\tthe names of a program\n").kind, InputKind::Other);
}
