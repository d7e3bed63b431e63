// The glossary's model of its DICT servers: addresses as readers type them, the remembered
// form, and a server's list of databases merged with what the reader chose before (Debian's
// dictd on a free port, DICT_SERVER, serving devil and elements).
#include "ServerSources.h"
#include "dict/FakeDictServer.h"

#include "driver/DialogDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::u16string dictdAddress() {
    const char* server = std::getenv("DICT_SERVER");
    const std::string address = server != nullptr ? server : "";
    return std::u16string(address.begin(), address.end());
}

} // namespace

TEST(ServerAddresses, AreRefusedWithTheirReasonWhenTheyNameNoServerOrOneListedAlready) {
    const ServerChoice none;
    std::u16string refusal;
    for (const std::u16string typed :
         {u"", u"  ", u"dict example.org", u"dict.example.org:0", u"dict.example.org:65536",
          u"dict.example.org:x", u":2628"}) {
        EXPECT_EQ(serverAddressOf(typed, none, refusal), u"")
            << std::string(typed.begin(), typed.end());
        EXPECT_NE(refusal.find(u"names no DICT server"), std::u16string::npos);
    }
    EXPECT_EQ(serverAddressOf(u" dict.example.org:2628 ", none, refusal), u"dict.example.org")
        << "the default port goes unnamed";
    EXPECT_EQ(serverAddressOf(u"[::1]:2629", none, refusal), u"[::1]:2629");
    // The same server however it is typed.
    const ServerChoice one = {ServerSetting{u"dict.example.org", false, {}}};
    EXPECT_EQ(serverAddressOf(u"dict.example.org:2628", one, refusal), u"");
    EXPECT_NE(refusal.find(u"in the list already"), std::u16string::npos);
    EXPECT_EQ(serverAddressOf(u"dict.example.org:2629", one, refusal), u"dict.example.org:2629");
}

TEST(ServerChoices, AreRememberedWithTheirDictionariesInOrderAndState) {
    const ServerChoice choice = {
        ServerSetting{u"a.example", true, {{u"devil", u"The Devil's", false}, {u"web", u"", true}}},
        ServerSetting{u"b.example:2629", false, {}}};
    const std::vector<std::u16string> lines = rememberedServers(choice);
    EXPECT_EQ(lines,
              (std::vector<std::u16string>{u"@a.example", u"-devil", u"+web", u"@b.example:2629"}));
    const ServerChoice read = serversFromRemembered(lines);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].address, u"a.example");
    ASSERT_EQ(read[0].dictionaries.size(), 2u);
    EXPECT_FALSE(read[0].dictionaries[0].on);
    EXPECT_EQ(read[0].dictionaries[1].name, u"web");
    EXPECT_TRUE(read[1].dictionaries.empty());
    // Lines no server wrote are passed over.
    EXPECT_TRUE(serversFromRemembered({u"+devil", u"@not a host", u"x"}).empty());
}

TEST(ServerChoices, TakeTheServersDatabasesKeepingTheReadersOrderAndDroppingTheGone) {
    const std::u16string address = dictdAddress();
    if (address.empty())
        GTEST_SKIP() << "DICT_SERVER names no server: run this through tests/dict/with_dictd.py";
    ServerSources sources([] {}, dict::ClientOptions{});
    // Remembered: elements first and off, devil on, and one the server no longer has.
    ServerChoice choice =
        serversFromRemembered({u"@" + address, u"-elements", u"+gone", u"+devil"});
    ASSERT_EQ(choice.size(), 1u);
    ASSERT_TRUE(driver::eventually([&] { return sources.takeDatabases(choice); }, 30000));
    const auto& dictionaries = choice[0].dictionaries;
    ASSERT_EQ(dictionaries.size(), 2u);
    EXPECT_EQ(dictionaries[0].name, u"elements");
    EXPECT_FALSE(dictionaries[0].on);
    EXPECT_EQ(dictionaries[1].name, u"devil");
    EXPECT_TRUE(dictionaries[1].on);
    EXPECT_NE(dictionaries[1].description.find(u"Devil"), std::u16string::npos);
    EXPECT_FALSE(sources.takeDatabases(choice)) << "listed once a session";

    // Off, a dictionary leaves the page; the server's order is the reader's.
    sources.choice() = choice;
    std::u16string page;
    ASSERT_TRUE(driver::eventually(
        [&] { return (page = sources.pagePart(u"abasement")).find(u"ABASEMENT") != page.npos; },
        30000));
    sources.choice()[0].dictionaries[1].on = false;
    EXPECT_EQ(sources.pagePart(u"abasement"), u"") << "nothing on: the server is not asked";
}

TEST(ServerChoices, ADatabaseOutsideTheGroupShownLeavesTheServersPartAsIfItWereOff) {
    const std::u16string address = dictdAddress();
    if (address.empty())
        GTEST_SKIP() << "DICT_SERVER names no server: run this through tests/dict/with_dictd.py";
    ServerSources sources([] {}, dict::ClientOptions{});
    sources.choice() = serversFromRemembered({u"@" + address, u"+devil", u"+elements"});
    std::u16string page;
    ASSERT_TRUE(driver::eventually(
        [&] { return (page = sources.pagePart(u"abasement")).find(u"ABASEMENT") != page.npos; },
        30000));
    // A group of elements alone: the devil's definition goes, as the answer kept shows.
    sources.setShown([&](const std::u16string& server, const std::u16string& name) {
        return server == address && name == u"elements";
    });
    page = sources.pagePart(u"abasement");
    EXPECT_EQ(page.find(u"ABASEMENT"), page.npos) << std::string(page.begin(), page.end());
    // A group of none of its databases: the server is not asked at all.
    sources.setShown([](const std::u16string&, const std::u16string&) { return false; });
    EXPECT_EQ(sources.pagePart(u"abasement"), u"");
    EXPECT_TRUE(sources.nearMatches(u"abasemen").empty());
}
