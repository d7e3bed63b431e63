// Reading a DICT server's replies: what a well-behaved server sends is read whole, and
// everything else ends the reply with its reason, within bounds on lines, items and bytes.
#include "dict/LineReader.h"
#include "dict/ReplyReader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using dict::Limits;
using dict::LineReader;
using dict::ReplyReader;
using dict::Request;
using State = dict::ReplyReader::State;

namespace {

// Feeds `bytes` in chunks of `chunk` as a connection would; the connection ends after them
// when `closed`.
ReplyReader read(Request request, std::string_view bytes, bool closed = true, std::size_t chunk = 7,
                 Limits limits = {}) {
    LineReader lines(limits.maxLine);
    ReplyReader reader(request, limits);
    std::string line;
    for (std::size_t at = 0; at < bytes.size() && reader.state() == State::More; at += chunk) {
        lines.add(bytes.substr(at, chunk));
        for (auto next = lines.next(line); reader.state() == State::More; next = lines.next(line)) {
            if (next == LineReader::Next::More)
                break;
            if (next == LineReader::Next::TooLong)
                reader.lineTooLong();
            else
                reader.line(line);
        }
    }
    if (closed)
        reader.end();
    return reader;
}

} // namespace

TEST(DictLines, LinesEndAtLfWithTheirCrDroppedWhereverTheChunksSplitThem) {
    LineReader lines(100);
    std::string line;
    lines.add("220 hel");
    EXPECT_EQ(lines.next(line), LineReader::Next::More);
    lines.add("lo\r");
    EXPECT_EQ(lines.next(line), LineReader::Next::More);
    lines.add("\n\r\nbare\nrest");
    ASSERT_EQ(lines.next(line), LineReader::Next::Line);
    EXPECT_EQ(line, "220 hello");
    ASSERT_EQ(lines.next(line), LineReader::Next::Line);
    EXPECT_EQ(line, "");
    ASSERT_EQ(lines.next(line), LineReader::Next::Line);
    EXPECT_EQ(line, "bare");
    EXPECT_EQ(lines.next(line), LineReader::Next::More);
    EXPECT_EQ(lines.pending(), 4u) << "a line cut off stays until its end comes";
}

TEST(DictLines, ALineLongerThanTheLimitIsRefusedBeforeItsEndAndKeepsNoMemory) {
    LineReader lines(1024);
    std::string line;
    lines.add(std::string(1024, 'x') + "\r\n");
    ASSERT_EQ(lines.next(line), LineReader::Next::Line) << "as long as allowed";
    const std::string chunk(4096, 'y');
    std::size_t added = 0;
    LineReader::Next next = LineReader::Next::More;
    while (next == LineReader::Next::More && added < 1024 * 1024) {
        lines.add(chunk);
        added += chunk.size();
        next = lines.next(line);
        EXPECT_LE(lines.pending(), 1024 + 1 + chunk.size());
    }
    EXPECT_EQ(next, LineReader::Next::TooLong);
    EXPECT_LE(added, 2 * chunk.size()) << "refused as soon as the limit was passed";
    lines.add("\r\n");
    EXPECT_EQ(lines.next(line), LineReader::Next::TooLong) << "the connection is of no use now";
    EXPECT_EQ(lines.pending(), 0u);
}

TEST(DictReply, TheBannerOpensTheConnectionAndARefusalNamesTheServersReason) {
    const ReplyReader greeted =
        read(Request::Connect, "220 dict.example.org dictd <auth> <1@x>\r\n");
    ASSERT_EQ(greeted.state(), State::Done);
    EXPECT_EQ(greeted.reply().statusText, "dict.example.org dictd <auth> <1@x>");
    const ReplyReader denied = read(Request::Connect, "530 access denied\r\n");
    ASSERT_EQ(denied.state(), State::Failed);
    EXPECT_EQ(denied.error(), "the server answered \"530 access denied\"");
    EXPECT_EQ(read(Request::Connect, "420 server temporarily unavailable\r\n").state(),
              State::Failed);
}

TEST(DictReply, ShowDbListsEachDatabaseWithItsDescriptionAndNoneIsNoFailure) {
    const ReplyReader reader =
        read(Request::ShowDatabases, "110 2 databases present\r\n"
                                     "devil \"The Devil's Dictionary (1881-1906)\"\r\n"
                                     "elements 'The Elements'\r\n"
                                     ".\r\n"
                                     "250 ok\r\n");
    ASSERT_EQ(reader.state(), State::Done) << reader.error();
    ASSERT_EQ(reader.reply().databases.size(), 2u);
    EXPECT_EQ(reader.reply().databases[0].name, "devil");
    EXPECT_EQ(reader.reply().databases[0].description, "The Devil's Dictionary (1881-1906)");
    EXPECT_EQ(reader.reply().databases[1].description, "The Elements");
    const ReplyReader none = read(Request::ShowDatabases, "554 no databases present\r\n");
    EXPECT_EQ(none.state(), State::Done);
    EXPECT_TRUE(none.reply().databases.empty());
}

TEST(DictReply, DefineReadsEachDefinitionWithItsDotsUnstuffedUpToTheOk) {
    const ReplyReader reader =
        read(Request::Define, "150 2 definitions retrieved\r\n"
                              "151 \"Abdication\" devil \"The Devil's Dictionary\"\r\n"
                              "ABDICATION, n.  An act\r\n"
                              "..the dot stays once\r\n"
                              ".\r\n"
                              "151 \"a \\\"b\\\"\" wn \"WordNet\"\r\n"
                              "\r\n"
                              "  indented\r\n"
                              ".\r\n"
                              "250 ok [d/m/c = 2/0/30; 0.000r 0.000u 0.000s]\r\n");
    ASSERT_EQ(reader.state(), State::Done) << reader.error();
    const auto& definitions = reader.reply().definitions;
    ASSERT_EQ(definitions.size(), 2u);
    EXPECT_EQ(definitions[0].word, "Abdication");
    EXPECT_EQ(definitions[0].database, "devil");
    EXPECT_EQ(definitions[0].description, "The Devil's Dictionary");
    EXPECT_EQ(definitions[0].text, "ABDICATION, n.  An act\n.the dot stays once");
    EXPECT_EQ(definitions[1].word, "a \"b\"");
    EXPECT_EQ(definitions[1].text, "\n  indented");
}

TEST(DictReply, NoMatchIsAnEmptyAnswerAndAnUnknownDatabaseAFailure) {
    const ReplyReader none = read(Request::Define, "552 no match\r\n");
    EXPECT_EQ(none.state(), State::Done);
    EXPECT_TRUE(none.reply().definitions.empty());
    const ReplyReader unknown = read(Request::Define, "550 invalid database, use SHOW DB\r\n");
    ASSERT_EQ(unknown.state(), State::Failed);
    EXPECT_NE(unknown.error().find("550 invalid database"), std::string::npos);
}

TEST(DictReply, MatchListsDatabaseAndWordPairs) {
    const ReplyReader reader = read(Request::Match, "152 2 matches found\r\n"
                                                    "devil \"abdication\"\r\n"
                                                    "elements \"iron (Fe)\"\r\n"
                                                    ".\r\n"
                                                    "250 ok\r\n");
    ASSERT_EQ(reader.state(), State::Done) << reader.error();
    ASSERT_EQ(reader.reply().matches.size(), 2u);
    EXPECT_EQ(reader.reply().matches[1].database, "elements");
    EXPECT_EQ(reader.reply().matches[1].word, "iron (Fe)");
    EXPECT_EQ(read(Request::Match, "152 1 matches\r\nonly-a-database\r\n.\r\n250 ok\r\n").state(),
              State::Failed);
}

TEST(DictReply, AWrongStatusCodeNamesWhatWasAskedAndGarbageIsShownSafely) {
    const ReplyReader wrong = read(Request::Define, "110 1 databases present\r\n");
    ASSERT_EQ(wrong.state(), State::Failed);
    EXPECT_EQ(wrong.error(),
              "the server answered \"110 1 databases present\" where the reply to DEFINE was due");
    const ReplyReader garbage =
        read(Request::Connect, "HTTP/1.1 400 Bad\x01\x1b[2J" + std::string(200, 'z') + "\r\n");
    ASSERT_EQ(garbage.state(), State::Failed);
    EXPECT_EQ(garbage.error().rfind("the server sent a line that is not a DICT reply: "
                                    "\"HTTP/1.1 400 Bad??[2Jzz",
                                    0),
              0u)
        << garbage.error();
    EXPECT_LT(garbage.error().size(), 140u) << "at most a few words of it";
    EXPECT_EQ(read(Request::Connect, "2200 x\r\n").state(), State::Failed);
}

TEST(DictReply, AReplyCutOffOrNeverBegunFailsWhenTheConnectionEnds) {
    const ReplyReader cut = read(Request::Define, "150 1 definitions retrieved\r\n"
                                                  "151 \"x\" devil \"d\"\r\n"
                                                  "text without its end\r\n");
    ASSERT_EQ(cut.state(), State::Failed);
    EXPECT_EQ(cut.error(), "the server's reply was cut off");
    EXPECT_EQ(read(Request::Define, "").error(),
              "the server closed the connection without a reply");
    EXPECT_EQ(read(Request::Define, "150 1 definitions retrieved\r\n", false).state(), State::More)
        << "still open: more may come";
}

TEST(DictReply, HundredThousandDefinitionsAreRefusedAtTheirAnnouncementOrTheirCount) {
    const ReplyReader announced = read(Request::Define, "150 100000 definitions retrieved\r\n");
    ASSERT_EQ(announced.state(), State::Failed);
    EXPECT_EQ(announced.error(),
              "the server offers 100000 definitions, more than the 1000 the glossary takes");
    std::string many = "150 1 definitions retrieved\r\n";
    for (int i = 0; i < 100000; ++i)
        many += "151 \"w\" devil \"d\"\r\ntext\r\n.\r\n";
    const ReplyReader counted = read(Request::Define, many, true, 4096);
    ASSERT_EQ(counted.state(), State::Failed);
    EXPECT_EQ(counted.error(), "the server sent more than 1000 definitions");
    EXPECT_TRUE(counted.reply().definitions.empty()) << "what was read is let go";
}

TEST(DictReply, OneReplyMayNotExceedItsBytesNorALineItsLength) {
    std::string large = "150 1 definitions retrieved\r\n151 \"w\" devil \"d\"\r\n";
    for (int i = 0; i < 20000; ++i)
        large += std::string(500, 'a') + "\r\n";
    const ReplyReader reader = read(Request::Define, large, true, 4096);
    ASSERT_EQ(reader.state(), State::Failed);
    EXPECT_EQ(reader.error(), "the server sent more than 8 MiB in one reply");
    const ReplyReader longLine =
        read(Request::Define, "150 1 definitions\r\n" + std::string(1024 * 1024, 'm'), false, 4096);
    ASSERT_EQ(longLine.state(), State::Failed);
    EXPECT_EQ(longLine.error(), "the server sent a line longer than 64 KiB");
}
