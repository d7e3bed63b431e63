// glossary.exe started with a word or a database, and started again while its window runs.
#include "GlossaryWindowFixture.h"

using namespace glossarytest;

TEST_F(GlossaryWindowTest, AWordOnTheCommandLineShowsItsPage) {
    GlossaryProcess glossary(program(), folder_.path(), kTimeoutMs, "compression");
    ASSERT_TRUE(glossary.valid());
    EXPECT_TRUE(eventually([&] { return contains(glossary.pageText(), L"Makes data smaller."); },
                           kTimeoutMs))
        << glossary.pageText();
    EXPECT_EQ(glossary.searchText(), L"compression");
    EXPECT_EQ(captionOf(glossary.window()), L"Technical Glossary") << "a word names no file";
    EXPECT_EQ(messageBoxOf(glossary), nullptr);
}

TEST_F(GlossaryWindowTest, AStartWhileTheWindowRunsHandsItsWordAndDatabaseToIt) {
    GlossaryProcess running(program(), folder_.path(), kTimeoutMs);
    ASSERT_TRUE(readyForTheKeyboard(running));
    const std::string glossary = "\"" + program() + "\"";
    DWORD exitCode = 99;
    ASSERT_TRUE(runAndWait(glossary + " compression", kTimeoutMs, exitCode, folder_.path().c_str()))
        << "the second start ends once the window has the word";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(eventually([&] { return contains(running.pageText(), L"Makes data smaller."); },
                           kTimeoutMs));
    EXPECT_EQ(running.searchText(), L"compression");
    EXPECT_TRUE(eventually([&] { return GetForegroundWindow() == running.window(); }, kTimeoutMs))
        << "and comes to the front";

    // /new: a window of its own.
    {
        GlossaryProcess other(program(), folder_.path(), kTimeoutMs, "/new Compiler");
        ASSERT_TRUE(other.valid());
        EXPECT_NE(other.window(), running.window());
        EXPECT_TRUE(eventually([&] { return contains(other.pageText(), L"Translates code."); },
                               kTimeoutMs));
        other.clickExit();
        ASSERT_TRUE(other.waitForExit(kTimeoutMs, exitCode));
    }

    // A database and a word together; then one that cannot be read, named in the running
    // window's box, which keeps what it shows.
    writeLinkedDictionary(folder_.file("links.mdb"));
    ASSERT_TRUE(runAndWait(glossary + " \"" + folder_.file("links.mdb") + "\" links", kTimeoutMs,
                           exitCode, folder_.path().c_str()));
    EXPECT_TRUE(eventually([&] { return running.itemCount() == 3; }, kTimeoutMs));
    EXPECT_TRUE(eventually([&] { return contains(running.pageText(), L"Web page"); }, kTimeoutMs));
    EXPECT_EQ(captionOf(running.window()), L"Technical Glossary - links.mdb");
    ASSERT_TRUE(
        runAndWait(glossary + " /db=nowhere.txt", kTimeoutMs, exitCode, folder_.path().c_str()));
    const std::string text = answerBox(running);
    EXPECT_NE(text.find("nowhere.txt"), std::string::npos) << text;
    EXPECT_EQ(running.itemCount(), 3) << "the database shown stays";
}
