#include "setuplog/SetupLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string inverted(std::string text) {
    for (char& c : text)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return text;
}

std::string entryOf(const SetupLog& log, const char* section, int position) {
    std::string out = "untouched";
    EXPECT_TRUE(log.entry(out, section, position)) << section << " " << position;
    return out;
}

bool hasEntry(const SetupLog& log, const char* section, int position) {
    std::string out = "untouched";
    const bool found = log.entry(out, section, position);
    if (!found) {
        EXPECT_EQ(out, "") << "a failed entry must leave its text empty";
    }
    return found;
}

std::string valueOf(const SetupLog& log, const char* section, const char* key,
                    const char* fallback = "", bool unescape = true) {
    std::string out;
    const int length = log.value(out, section, key, fallback, unescape);
    EXPECT_EQ(length, static_cast<int>(out.size()));
    return out;
}

const std::string kSample = "[COMMON]\r\n"
                            "Application_Name=Example Product\r\n"
                            ";written by the setup program\r\n"
                            "\r\n"
                            "1402=text of message 1402\r\n"
                            "[APPFILES]\r\n"
                            "C:\\Program Files\\Example\\readme.txt\r\n"
                            "C:\\Program Files\\Example\\example.exe\r\n"
                            "[RUNAPPS]\r\n"
                            "BeforeUninstall=C:\\Program Files\\Example\\cleanup.exe\r\n";

} // namespace

TEST(SetupLogSections, SampleLogIsReadAsWritten) {
    const SetupLog log = SetupLog::fromBytes(kSample);
    EXPECT_EQ(log.entryCount("COMMON"), 2);
    EXPECT_EQ(entryOf(log, "COMMON", 1), "1402=text of message 1402");
    EXPECT_EQ(log.entryCount("APPFILES"), 2);
    EXPECT_EQ(entryOf(log, "APPFILES", 0), "C:\\Program Files\\Example\\readme.txt");
    EXPECT_EQ(entryOf(log, "APPFILES", 1), "C:\\Program Files\\Example\\example.exe");
    EXPECT_EQ(valueOf(log, "COMMON", "Application_Name"), "Example Product");
    EXPECT_EQ(valueOf(log, "RUNAPPS", "BeforeUninstall"),
              "C:\\Program Files\\Example\\cleanup.exe");
    EXPECT_EQ(log.entryCount("SHAREDFILES"), 0);
}

TEST(SetupLogSections, InvertedFormGivesTheSameAnswers) {
    const SetupLog plain = SetupLog::fromBytes(kSample);
    const SetupLog inverse = SetupLog::fromBytes(inverted(kSample));
    EXPECT_EQ(plain.text(), inverse.text());
    EXPECT_EQ(inverse.entryCount("APPFILES"), 2);
    EXPECT_EQ(valueOf(inverse, "COMMON", "Application_Name"), "Example Product");
}

TEST(SetupLogSections, LogNotStartingWithABracketIsTakenAsInvertedAndYieldsNothing) {
    for (const std::string& lead :
         {std::string(";comment\r\n"), std::string("\r\n"), std::string("\xEF\xBB\xBF")}) {
        const SetupLog log = SetupLog::fromBytes(lead + kSample);
        EXPECT_EQ(log.entryCount("COMMON"), 0);
        EXPECT_EQ(log.entryCount("APPFILES"), 0);
        EXPECT_EQ(valueOf(log, "COMMON", "Application_Name", "fallback"), "fallback");
    }
}

TEST(SetupLogSections, EmptyLogAnswersEveryQueryWithNothing) {
    const SetupLog log = SetupLog::fromBytes("");
    EXPECT_EQ(log.entryCount("COMMON"), 0);
    EXPECT_FALSE(hasEntry(log, "COMMON", 0));
    EXPECT_EQ(valueOf(log, "COMMON", "x", "d"), "d");
}

TEST(SetupLogSections, HeaderWithoutLinesAndHeaderFollowedByHeaderHaveNoEntries) {
    EXPECT_EQ(SetupLog::fromBytes("[A]").entryCount("A"), 0);
    EXPECT_EQ(SetupLog::fromBytes("[A]\r\n").entryCount("A"), 0);
    EXPECT_EQ(SetupLog::fromBytes("[A]\r\n[B]\r\nbbb\r\n").entryCount("A"), 0);
}

TEST(SetupLogSections, LineBeginningWithABracketEndsTheSection) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\none\r\n[not a section\r\ntwo\r\n");
    EXPECT_EQ(log.entryCount("A"), 1);
    EXPECT_FALSE(hasEntry(log, "A", 1));
}

TEST(SetupLogSections, IndentedHeaderIsFoundButDoesNotEndTheSectionBefore) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\none\r\n [B]\r\ntwo\r\n");
    EXPECT_EQ(log.entryCount("A"), 3);
    EXPECT_EQ(entryOf(log, "A", 1), " [B]");
    EXPECT_EQ(log.entryCount("B"), 1);
    EXPECT_EQ(entryOf(log, "B", 0), "two");
}

TEST(SetupLogSections, FirstOccurrenceOfTheBracketedNameWinsEvenInsideAnEntry) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\nsee [B] below\r\nxyz\r\n[B]\r\nreal\r\n");
    EXPECT_EQ(log.entryCount("B"), 1);
    EXPECT_EQ(entryOf(log, "B", 0), "xyz");
}

TEST(SetupLogSections, SecondHeaderOfTheSameNameIsNeverReached) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\nk=first\r\n[A]\r\nk=second\r\nmore\r\n");
    EXPECT_EQ(log.entryCount("A"), 1);
    EXPECT_EQ(valueOf(log, "A", "k"), "first");
}

TEST(SetupLogSections, NamesAreCaseSensitive) {
    const SetupLog log = SetupLog::fromBytes(kSample);
    EXPECT_EQ(log.entryCount("common"), 0);
    EXPECT_EQ(valueOf(log, "COMMON", "application_name", "d"), "d");
}

TEST(SetupLogSections, NamesWithBracketsOrGreatLengthAreStillSearched) {
    const std::string longName(400, 'N');
    const SetupLog log =
        SetupLog::fromBytes("[" + longName + "]\r\nlong\r\n[a[b]\r\nodd\r\n[x]y]\r\nodder\r\n");
    EXPECT_EQ(entryOf(log, longName.c_str(), 0), "long");
    EXPECT_EQ(entryOf(log, "a[b", 0), "odd");
    EXPECT_EQ(entryOf(log, "x]y", 0), "odder");
    EXPECT_EQ(entryOf(log, "b", 0), "odd");
}

TEST(SetupLogLines, ShortAndCommentLinesVanishWithoutEndingTheSection) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\n\r\nab\r\n;comment\r\na=b\r\nx\r\nlast\r\n");
    EXPECT_EQ(log.entryCount("A"), 2);
    EXPECT_EQ(entryOf(log, "A", 0), "a=b");
    EXPECT_EQ(entryOf(log, "A", 1), "last");
}

TEST(SetupLogLines, UnterminatedLastPieceIsKeptWhateverItsLengthOrFirstByte) {
    EXPECT_EQ(entryOf(SetupLog::fromBytes("[A]\r\nabc\r\nx"), "A", 1), "x");
    EXPECT_EQ(entryOf(SetupLog::fromBytes("[A]\r\nabc\r\n;c"), "A", 1), ";c");
}

TEST(SetupLogLines, LoneCrAndLfArePartOfTheLine) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\none\ntwo\rthree\r\n");
    EXPECT_EQ(log.entryCount("A"), 1);
    EXPECT_EQ(entryOf(log, "A", 0), "one\ntwo\rthree");
}

TEST(SetupLogLines, EntryOutsideTheSectionFailsWithEmptyText) {
    const SetupLog log = SetupLog::fromBytes(kSample);
    EXPECT_FALSE(hasEntry(log, "APPFILES", -1));
    EXPECT_FALSE(hasEntry(log, "APPFILES", 2));
    EXPECT_FALSE(hasEntry(log, "MISSING", 0));
}

TEST(SetupLogLines, ShortReadKeepsZeroBytesAndComplementsOnlyWhatArrived) {
    // The buffer has the file's size; only the first bytes arrived and the rest stay 0.
    const std::string wanted = "[A]\r\nabc\r\n";
    std::string buffer = inverted(wanted) + std::string(3, '\0');
    const SetupLog log = SetupLog::fromBuffer(buffer, wanted.size());
    EXPECT_EQ(log.entryCount("A"), 2);
    EXPECT_EQ(entryOf(log, "A", 1), std::string(3, '\0'));
}

TEST(SetupLogValues, KeyIsEverythingBeforeTheFirstEqualsSign) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\nKey = spaced\r\nA=b=c\r\nnokey\r\nEE=\r\n");
    EXPECT_EQ(valueOf(log, "A", "Key", "d"), "d");
    EXPECT_EQ(valueOf(log, "A", "Key "), " spaced");
    EXPECT_EQ(valueOf(log, "A", "A"), "b=c");
    EXPECT_EQ(valueOf(log, "A", "EE", "d"), "") << "found empty value, not the default";
    EXPECT_EQ(valueOf(log, "A", "nokey", "d"), "d");
    EXPECT_EQ(entryOf(log, "A", 1), "A=b=c");
}

TEST(SetupLogValues, FirstOfTwoEqualKeysWins) {
    EXPECT_EQ(valueOf(SetupLog::fromBytes("[A]\r\nk=1\r\nk=2\r\n"), "A", "k"), "1");
}

TEST(SetupLogValues, EscapesAreReplacedInFoundValuesOnlyAndOnlyOnRequest) {
    const SetupLog log = SetupLog::fromBytes("[A]\r\nk=a\\rb\\tc\\\\r\\x\r\n");
    EXPECT_EQ(valueOf(log, "A", "k"), "a\n\rb\tc\\\n\r\\x");
    EXPECT_EQ(valueOf(log, "A", "k", "", false), "a\\rb\\tc\\\\r\\x");
    EXPECT_EQ(valueOf(log, "A", "missing", "d\\r\\t"), "d\\r\\t");
    EXPECT_EQ(entryOf(log, "A", 0), "k=a\\rb\\tc\\\\r\\x");
}

TEST(SetupLogValues, NulByteEndsAValue) {
    const SetupLog log = SetupLog::fromBytes(std::string("[A]\r\nk=ab\0cd\r\n", 13));
    EXPECT_EQ(valueOf(log, "A", "k"), "ab");
}

TEST(SetupLogValues, PathsInEntriesKeepTheirBackslashes) {
    const SetupLog log = SetupLog::fromBytes("[APPFILES]\r\nC:\\temp\\run.txt\r\n");
    EXPECT_EQ(entryOf(log, "APPFILES", 0), "C:\\temp\\run.txt");
}

TEST(SetupLogLifetime, ClearedReaderBehavesLikeAnEmptyOne) {
    SetupLog log = SetupLog::fromBytes(kSample);
    log.clear();
    EXPECT_EQ(log.entryCount("COMMON"), 0);
    EXPECT_FALSE(hasEntry(log, "APPFILES", 0));
    EXPECT_EQ(valueOf(log, "COMMON", "Application_Name", "d"), "d");
}

TEST(SetupLogLifetime, CopiesAndMovesKeepAnsweringLikeTheOriginal) {
    SetupLog original = SetupLog::fromBytes("[A]\r\nk=v\r\n");
    const SetupLog copy = original;
    const SetupLog moved = std::move(original);
    EXPECT_EQ(valueOf(copy, "A", "k"), "v");
    EXPECT_EQ(valueOf(moved, "A", "k"), "v");
}

TEST(SetupLogShape, OnlyALogInOneOfItsStoredFormsThatNamesProductAndDirectoryIsOne) {
    const std::string good =
        "[COMMON]\r\nApplication_Name=Glossary\r\n[APPDIR]\r\nC:\\Program Files\\Glossary\r\n";
    EXPECT_EQ(whyNotASetupLog(SetupLog::fromBytes(good)), "");
    EXPECT_EQ(whyNotASetupLog(SetupLog::fromBytes(inverted(good))), "");
    EXPECT_EQ(whyNotASetupLog(SetupLog::fromBytes(good + "; saved by hand\r\n")), "");

    std::string random(4096, '\0');
    for (std::size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::string bareLineFeeds = good;
    for (std::size_t at; (at = bareLineFeeds.find("\r\n")) != std::string::npos;)
        bareLineFeeds.erase(at, 1);
    const struct {
        const char* what;
        std::string bytes;
    } none[] = {
        {"a byte order mark", "\xEF\xBB\xBF" + good},
        {"bare line feeds", bareLineFeeds},
        {"random bytes", random},
        {"empty", ""},
        {"no product", "[COMMON]\r\nOther=x\r\n[APPDIR]\r\nC:\\App\r\n"},
        {"an empty product name", "[COMMON]\r\nApplication_Name=\r\n[APPDIR]\r\nC:\\App\r\n"},
        {"no application directory", "[COMMON]\r\nApplication_Name=Glossary\r\n[APPFILES]\r\n"
                                     "C:\\App\\a.txt\r\n"},
    };
    for (const auto& file : none) {
        EXPECT_NE(whyNotASetupLog(SetupLog::fromBytes(file.bytes)), "") << file.what;
        EXPECT_NE(whyNotASetupLog(SetupLog::fromBytes(inverted(file.bytes))), "") << file.what;
    }
    EXPECT_NE(whyNotASetupLog(SetupLog::fromBytes("\xEF\xBB\xBF" + good)).find("byte order mark"),
              std::string::npos);
}
