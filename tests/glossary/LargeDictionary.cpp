#include "LargeDictionary.h"

#include "jetwriter/JetWriter.h"

#include <fstream>
#include <vector>

bool writeLargeDictionary(const std::string& path, int terms, const std::u16string& word) {
    jet::JetWriter writer;
    const std::size_t table = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    std::vector<jet::Value> row(3);
    row[1].kind = row[2].kind = jet::Value::Kind::Text;
    for (int i = 0; i < terms; ++i) {
        const std::string number = std::to_string(i);
        row[1].text = word + std::u16string(number.begin(), number.end());
        row[2].text = u"The <b>definition</b> of " + row[1].text +
                      u", with some words to read and a " +
                      u"second sentence so that the page has a few lines of text in it.";
        writer.addRow(table, row);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return writer.finish(out) && out.flush();
}
