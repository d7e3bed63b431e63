// The indexed reader must give exactly the answers of a reader that rescans the text for every
// query. Thousands of generated logs, every kind of query.
#include "LogGenerator.h"
#include "ReferenceSetupLog.h"
#include "setuplog/SetupLog.h"

#include <gtest/gtest.h>

namespace {

void expectSameAnswers(const std::string& buffer, std::size_t arrived, LogGenerator& generator) {
    const SetupLog fast = SetupLog::fromBuffer(buffer, arrived);
    const ReferenceSetupLog slow(buffer, arrived);
    ASSERT_EQ(fast.text(), slow.text);

    for (const std::string& section : generator.sectionNames()) {
        const int count = slow.entryCount(section);
        ASSERT_EQ(fast.entryCount(section), count) << "section " << section;
        for (int position = -1; position <= count + 1; ++position) {
            std::string fastOut = "x", slowOut = "y";
            ASSERT_EQ(fast.entry(fastOut, section, position),
                      slow.entry(slowOut, section, position));
            ASSERT_EQ(fastOut, slowOut) << "section " << section << " position " << position;
        }
        for (const std::string& key : generator.keys()) {
            for (bool unescape : {false, true}) {
                std::string fastOut, slowOut;
                const int fastLength = fast.value(fastOut, section, key, "d\\r", unescape);
                const int slowLength = slow.value(slowOut, section, key, "d\\r", unescape);
                ASSERT_EQ(fastLength, slowLength);
                ASSERT_EQ(fastOut, slowOut) << "section " << section << " key " << key;
            }
        }
    }
}

} // namespace

TEST(SetupLogDifferential, IndexedReaderAnswersLikeRescanningOnGeneratedLogs) {
    constexpr int kLogs = 5000;
    LogGenerator generator(20261207);
    for (int i = 0; i < kLogs; ++i) {
        const std::string log = generator.log();
        SCOPED_TRACE("log " + std::to_string(i));
        expectSameAnswers(log, log.size(), generator);
        if (HasFatalFailure())
            return;
    }
}

TEST(SetupLogDifferential, ShortReadsAnswerLikeRescanning) {
    LogGenerator generator(7);
    for (int i = 0; i < 1000; ++i) {
        const std::string log = generator.log();
        SCOPED_TRACE("log " + std::to_string(i));
        expectSameAnswers(log, log.size() / 2, generator);
        if (HasFatalFailure())
            return;
    }
}
