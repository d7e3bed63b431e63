// The dictionaries a user chooses: remembered by name, and the rows, pages and search hits of
// a database seen through the choice.
#include "SearchTestDatabase.h"

#include "Articles.h"
#include "Glossary.h"
#include "jetwriter/JetWriter.h"
#include "search/FullTextIndex.h"
#include "search/Query.h"
#include "search/SourceView.h"

#include <gtest/gtest.h>

#include <fstream>

using search::SourceChoice;
using search::SourceView;

namespace {

using NumberedPart = std::pair<std::uint32_t, articles::Part>;

// A row as the dictd import writes it: the parts laid out, and where each begins.
DictionaryEntry row(std::u16string term, const std::vector<NumberedPart>& numbered, bool marked) {
    std::vector<articles::Part> parts;
    for (const NumberedPart& part : numbered)
        parts.push_back(part.second);
    std::vector<std::size_t> starts;
    DictionaryEntry entry{std::move(term), articles::write(parts, marked, &starts), {}};
    for (std::size_t i = 0; i < starts.size(); ++i)
        entry.parts.push_back({numbered[i].first, static_cast<std::uint32_t>(starts[i])});
    return entry;
}

NumberedPart part(std::uint32_t source, std::u16string html, bool mention = false) {
    static const std::u16string names[] = {u"foldoc", u"jargon", u"vera"};
    return {source, articles::Part{names[source], mention, std::move(html)}};
}

// FOLDOC (0), the Jargon File (1) and V.E.R.A. (2); "dog" and "Dog" are joined on one page.
SearchTestDatabase threeDictionaries() {
    return SearchTestDatabase(
        {
            row(u"cache", {part(0, u"<p>foldoc cache</p>"), part(1, u"<p>jargon cache</p>")},
                false),
            row(u"CPU", {part(2, u"<p>vera cpu</p>")}, false),
            row(u"dog", {part(1, u"<p>jargon dog</p>"), part(0, u"<p>foldoc sundog</p>", true)},
                true),
            row(u"Dog", {part(2, u"<p>vera Dog</p>")}, true),
            row(u"kernel",
                {part(0, u"<p>foldoc kernel</p>"), part(0, u"<p>foldoc mention</p>", true),
                 part(2, u"<p>vera kernel</p>")},
                false),
            row(u"lisp", {part(0, u"<p>foldoc lisp</p>")}, false),
        },
        {u"foldoc", u"jargon", u"vera"}, true);
}

SourceChoice choose(const SearchTestDatabase& db, std::vector<std::u16string> remembered) {
    return search::applyRemembered(search::readSources(db.database), remembered);
}

std::size_t at(const std::u16string& text, const std::u16string& piece) {
    return text.find(piece);
}

} // namespace

TEST(SourceChoice, RememberedByNameWhateverTheDatabaseNumbersThem) {
    const std::vector<search::Source> sources = {{u"gcide", 10}, {u"wn", 20}, {u"foldoc", 30}};
    const SourceChoice choice =
        search::applyRemembered(sources, {u"-foldoc", u"+gcide", u"-gone", u"junk", u""});
    ASSERT_EQ(choice.size(), 3u);
    EXPECT_EQ(choice[0].name, u"foldoc");
    EXPECT_EQ(choice[0].number, 2u);
    EXPECT_EQ(choice[0].entries, 30u);
    EXPECT_FALSE(choice[0].on);
    EXPECT_EQ(choice[1].name, u"gcide");
    EXPECT_TRUE(choice[1].on);
    EXPECT_EQ(choice[2].name, u"wn") << "a source the choice does not name follows, on";
    EXPECT_TRUE(choice[2].on);
    EXPECT_EQ(search::rememberedForm(choice),
              (std::vector<std::u16string>{u"-foldoc", u"+gcide", u"+wn"}))
        << "a name the database no longer has is forgotten";
    EXPECT_EQ(search::applyRemembered(sources, search::rememberedForm(choice))[0].number, 2u);

    EXPECT_TRUE(search::changesNothing(search::applyRemembered(sources, {})));
    EXPECT_TRUE(search::changesNothing(search::applyRemembered(sources, {u"+gcide", u"+wn"})));
    EXPECT_FALSE(search::changesNothing(search::applyRemembered(sources, {u"+wn"})));
    EXPECT_FALSE(search::changesNothing(search::applyRemembered(sources, {u"-gcide"})));

    const std::vector<search::Source> twins = {{u"x", 1}, {u"x", 2}};
    const SourceChoice both = search::applyRemembered(twins, {u"-x", u"+x"});
    EXPECT_EQ(both[0].number, 0u);
    EXPECT_FALSE(both[0].on);
    EXPECT_EQ(both[1].number, 1u);
    EXPECT_TRUE(both[1].on) << "two sources of one name are matched in their order";
}

TEST(SourceView, ASourceTurnedOffLeavesItsOnlyRowsAndItsPartsOfTheOthers) {
    const SearchTestDatabase db = threeDictionaries();
    const auto view = SourceView::open(db.database, choose(db, {u"-foldoc"}));
    ASSERT_NE(view, nullptr);
    const std::vector<bool> listed = {true, true, true, true, true, false};
    for (std::uint32_t r = 0; r < listed.size(); ++r)
        EXPECT_EQ(view->listed(r), listed[r]) << "row " << r;

    const std::u16string cache = *view->shown(0, *db.definitions[0]);
    EXPECT_EQ(cache, articles::write({{u"jargon", false, u"<p>jargon cache</p>"}}))
        << "one dictionary left: no heading, and its mark for a joined page";
    const std::u16string kernel = *view->shown(4, *db.definitions[4]);
    EXPECT_EQ(kernel, articles::write({{u"vera", false, u"<p>vera kernel</p>"}}));
    EXPECT_FALSE(view->shown(5, *db.definitions[5])) << "lisp is FOLDOC's only";
    EXPECT_EQ(view->order(), (std::vector<std::u16string>{u"jargon", u"vera"}));
}

TEST(SourceView, PagesTakeTheChosenOrderOfDictionaries) {
    const SearchTestDatabase db = threeDictionaries();
    const auto view = SourceView::open(db.database, choose(db, {u"+vera", u"+jargon"}));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->order(), (std::vector<std::u16string>{u"vera", u"jargon", u"foldoc"}));
    const std::u16string kernel = *view->shown(4, *db.definitions[4]);
    EXPECT_EQ(kernel, articles::write({{u"vera", false, u"<p>vera kernel</p>"},
                                       {u"foldoc", false, u"<p>foldoc kernel</p>"},
                                       {u"foldoc", true, u"<p>foldoc mention</p>"}}))
        << "each dictionary under its heading once, its mentions after its own entries";
    const std::u16string cache = *view->shown(0, *db.definitions[0]);
    EXPECT_LT(at(cache, u"jargon cache"), at(cache, u"foldoc cache"));
    EXPECT_EQ(articles::split(cache).size(), 2u);
}

TEST(SourceView, TheGlossaryListsAndJoinsPagesThroughTheView) {
    const SearchTestDatabase db = threeDictionaries();
    const std::string path = testing::TempDir() + "sources.mdb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(db.bytes.data()),
               static_cast<std::streamsize>(db.bytes.size()));
    std::shared_ptr<const SourceView> view =
        SourceView::open(db.database, choose(db, {u"+vera", u"-foldoc"}));
    ASSERT_NE(view, nullptr);
    Glossary::RowView rows;
    rows.listed = [view](std::uint32_t row) { return view->listed(row); };
    rows.shown = [view](std::uint32_t row, const std::u16string& html) {
        return view->shown(row, html);
    };
    rows.sourceOrder = view->order();
    const Glossary glossary = Glossary::load(path, {}, nullptr, nullptr, rows);
    ASSERT_EQ(glossary.size(), 5u) << "lisp, FOLDOC's only, is not listed";
    EXPECT_EQ(glossary.search(u"lisp"), -1);
    const std::u16string dog = *glossary.definitionShownFor(2);
    EXPECT_LT(at(dog, u"vera Dog"), at(dog, u"jargon dog")) << "V.E.R.A. first, as chosen";
    EXPECT_EQ(at(dog, u"sundog"), std::u16string::npos) << "FOLDOC is off";
    EXPECT_NE(at(dog, articles::heading(u"vera")), std::u16string::npos);

    const Glossary whole = Glossary::load(path);
    ASSERT_EQ(whole.size(), 6u);
    const std::u16string asWritten = *whole.definitionShownFor(2);
    EXPECT_LT(at(asWritten, u"jargon dog"), at(asWritten, u"vera Dog"));
    EXPECT_EQ(whole.entryOfRow(4), 4);

    // A search in definitions counts the table's rows: with V.E.R.A. off, CPU and Dog (rows 1
    // and 3, V.E.R.A.'s only) are not listed, and kernel (row 4) is the list's third term.
    view = SourceView::open(db.database, choose(db, {u"-vera"}));
    ASSERT_NE(view, nullptr);
    rows.listed = [view](std::uint32_t row) { return view->listed(row); };
    const Glossary withoutVera = Glossary::load(path, {}, nullptr, nullptr, rows);
    ASSERT_EQ(withoutVera.size(), 4u);
    EXPECT_EQ(withoutVera.entryOfRow(1), -1);
    EXPECT_EQ(withoutVera.entryOfRow(3), -1);
    EXPECT_EQ(withoutVera.entryOfRow(4), 2);
    EXPECT_EQ(withoutVera.term(2), u"kernel");
    EXPECT_EQ(withoutVera.entryOfRow(6), -1) << "beyond the table";
    std::remove(path.c_str());
}

TEST(SourceView, EveryPageFollowsTheDictionariesOrderAndNamesItsDictionaries) {
    const SearchTestDatabase db = threeDictionaries();
    const std::string path = testing::TempDir() + "order.mdb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(db.bytes.data()),
               static_cast<std::streamsize>(db.bytes.size()));
    // Nothing chosen: every dictionary on, in the order they were imported.
    const SourceChoice choice = choose(db, {});
    ASSERT_TRUE(search::changesNothing(choice));
    std::shared_ptr<const SourceView> view = SourceView::open(db.database, choice);
    ASSERT_NE(view, nullptr);
    Glossary::RowView rows;
    rows.listed = [view](std::uint32_t row) { return view->listed(row); };
    rows.shown = [view](std::uint32_t row, const std::u16string& html) {
        return view->shown(row, html);
    };
    rows.sourceOrder = view->order();
    const Glossary glossary = Glossary::load(path, {}, nullptr, nullptr, rows);
    ASSERT_EQ(glossary.size(), 6u);
    for (const char16_t* typed : {u"dog", u"Dog"}) {
        const std::u16string dog =
            *glossary.definitionShownFor(static_cast<std::size_t>(glossary.search(typed)));
        const std::size_t foldoc = at(dog, articles::heading(u"foldoc")),
                          jargon = at(dog, articles::heading(u"jargon")),
                          vera = at(dog, articles::heading(u"vera"));
        EXPECT_EQ(foldoc, 0u) << "FOLDOC was imported first, whatever the case of its row";
        EXPECT_LT(foldoc, jargon);
        EXPECT_LT(jargon, vera) << "V.E.R.A.'s Dog last, also on the page of Dog";
        EXPECT_NE(vera, std::u16string::npos);
    }
    EXPECT_EQ(*glossary.definitionShownFor(5), articles::heading(u"foldoc") + u"<p>foldoc lisp</p>")
        << "a page of one dictionary names it";
    EXPECT_EQ(*glossary.definitionShownFor(1), articles::heading(u"vera") + u"<p>vera cpu</p>");
    const std::u16string cache = *glossary.definitionShownFor(0);
    EXPECT_LT(at(cache, u"foldoc cache"), at(cache, u"jargon cache"));
    EXPECT_EQ(at(cache, articles::heading(u"foldoc")), 0u);
    std::remove(path.c_str());
}

TEST(SourceView, SearchHitsOfSourcesOffGoAndTheRestFollowTheChosenOrder) {
    const SearchTestDatabase db = threeDictionaries();
    const auto view = SourceView::open(db.database, choose(db, {u"+vera", u"-jargon"}));
    ASSERT_NE(view, nullptr);
    std::vector<search::Hit> hits = db.indexHits(u"kernel");
    ASSERT_EQ(hits.size(), 3u) << "FOLDOC's two parts and V.E.R.A.'s";
    view->filter(hits);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].source, 2u) << "V.E.R.A. first among equal places";

    hits = db.indexHits(u"cache");
    view->filter(hits);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].source, 0u) << "the Jargon File's cache is gone";

    hits = db.scanHits(u"lisp");
    ASSERT_EQ(hits.size(), 1u);
    view->filter(hits);
    EXPECT_EQ(hits.size(), 1u) << "a scan's hit counts while its row is listed";
    const auto noFoldoc = SourceView::open(db.database, choose(db, {u"-foldoc"}));
    hits = db.scanHits(u"lisp");
    noFoldoc->filter(hits);
    EXPECT_TRUE(hits.empty());
}

TEST(SourceView, ADatabaseThatCannotTellItsSourcesApartSaysWhy) {
    jet::JetWriter writer;
    const std::size_t dict =
        writer.addTable(u"Dict", {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}});
    writer.addRow(dict, {jet::Value(), jet::Value()});
    const jet::Database old = jet::Database::fromBytes(writer.finish());
    EXPECT_EQ(SourceView::refusal(old), SourceView::Refusal::NoSources);

    // As an earlier dictbuild wrote it without the index: the sources named, not whose each
    // part is.
    jet::JetWriter namesOnly;
    namesOnly.addTable(u"Dict", {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}});
    const std::size_t sources = namesOnly.addTable(
        search::kSourcesTable,
        {{u"number", jet::kLong}, {u"name", jet::kText, 255}, {u"entries", jet::kLong}});
    for (const std::int64_t number : {0, 1}) {
        jet::Value numberValue, name, entries;
        numberValue.kind = entries.kind = jet::Value::Kind::Integer;
        numberValue.integer = number;
        entries.integer = 1;
        name.kind = jet::Value::Kind::Text;
        name.text = number == 0 ? u"foldoc" : u"jargon";
        namesOnly.addRow(sources, {numberValue, name, entries});
    }
    const jet::Database noEntries = jet::Database::fromBytes(namesOnly.finish());
    EXPECT_EQ(SourceView::refusal(noEntries), SourceView::Refusal::NoEntries);
    EXPECT_EQ(SourceView::open(
                  noEntries, search::applyRemembered(search::readSources(noEntries), {u"-foldoc"})),
              nullptr);

    const SearchTestDatabase one({{u"a", u"x", {}}, {u"b", u"y", {}}}, {u"glossary"}, false);
    EXPECT_EQ(SourceView::refusal(one.database), SourceView::Refusal::None)
        << "one source needs no index to tell";
    const auto off = SourceView::open(one.database, choose(one, {u"-glossary"}));
    ASSERT_NE(off, nullptr);
    EXPECT_FALSE(off->listed(0));
    EXPECT_FALSE(off->shown(1, u"y"));
}

TEST(SourceView, ADatabaseBuiltWithoutTheIndexStillLetsDictionariesBeChosen) {
    const SearchTestDatabase noIndex(
        {row(u"a", {part(0, u"<p>x</p>"), part(1, u"<p>y</p>")}, false),
         row(u"b", {part(1, u"<p>z</p>")}, false)},
        {u"foldoc", u"jargon"}, false);
    EXPECT_EQ(search::FullTextIndex::open(noIndex.database), nullptr) << "searched by a scan";
    EXPECT_EQ(SourceView::refusal(noIndex.database), SourceView::Refusal::None);
    const auto view = SourceView::open(noIndex.database, choose(noIndex, {u"-jargon"}));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->listed(0));
    EXPECT_FALSE(view->listed(1)) << "only the Jargon File's";
    const std::optional<std::u16string> page = view->shown(0, *noIndex.definitions[0]);
    ASSERT_TRUE(page);
    EXPECT_NE(at(*page, u"x"), std::u16string::npos);
    EXPECT_EQ(at(*page, u"y"), std::u16string::npos);
    std::vector<search::Hit> hits = noIndex.scanHits(u"z");
    ASSERT_EQ(hits.size(), 1u);
    view->filter(hits);
    EXPECT_TRUE(hits.empty());
}
