// The list's packet written straight from the cursor against the same rows loaded into a dataset
// and encoded.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "backendtest.h"
#include "platform/datapacket.h"
#include "platform/dataset.h"
#include "platform/datetime.h"
#include "server/schema.h"
#include "server/seed.h"
#include "server/writeofflist.h"
#include "servertestkit.h"
#include "testdatabase.h"

using namespace servertest;
using platform::TFieldType;

namespace {

// The packet as a client dataset loaded row by row from the cursor and then encoded would be:
// the reference for the bytes the server writes.
std::string PacketThroughDataset(platform::TSqlCursor& cursor) {
    const auto& fields = server::WriteOffFields();
    platform::TClientDataSet data;
    for (const platform::TFieldDef& f : fields)
        data.FieldDefs().Add(f.Name, f.DataType, f.Size, f.Required);
    data.CreateDataSet();
    platform::TRowAppender rows(data);
    while (cursor.Next()) {
        rows.AddRow();
        for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
            if (cursor.IsNull(i)) continue;
            switch (fields[static_cast<std::size_t>(i)].DataType) {
            case TFieldType::ftFloat: rows.SetFloat(i, cursor.Double(i)); break;
            case TFieldType::ftDateTime: rows.SetDateTime(i, cursor.Double(i)); break;
            default: rows.SetString(i, cursor.Text(i)); break;
            }
        }
    }
    rows.Finish();
    return platform::EncodePacket(data);
}

class WriteOffPacketTest : public TBackendTest {
protected:
    WriteOffPacketTest() : TBackendTest(false) {}

    // Both packets of the whole list of company 01.
    void ExpectSameBytes(std::size_t expectedRows) {
        server::TWriteOffCriteria criteria;
        criteria.company = "01";
        const server::TSqlStatement statement = server::BuildWriteOffQuery(db_->Kind(), criteria);
        auto reference = db_->OpenCursor(statement.text, statement.params);
        const std::string expected = PacketThroughDataset(*reference);
        reference.reset();
        auto cursor = db_->OpenCursor(statement.text, statement.params);
        const std::string written = server::WriteOffPacket(*cursor);
        EXPECT_EQ(platform::DecodePacket(written).Rows.RowCount(), expectedRows);
        ASSERT_EQ(written.size(), expected.size());
        EXPECT_TRUE(written == expected) << "the packets differ";
    }

    const platform::TDateTime d0_ = std::floor(platform::Date());
};

TEST_P(WriteOffPacketTest, AnEmptyListIsTheDatasetsEmptyPacket) {
    ExpectSameBytes(0);
}

TEST_P(WriteOffPacketTest, KnownWriteOffsWithNullsAndTextsBeyondTheirFieldsMatchTheDatasetsBytes) {
    server::SeedDemo(*db_, d0_);
    LoadKnownWriteOffs(*db_, d0_);
    // Texts of more bytes than their fields' sizes (accents), at the limit and, on SQLite,
    // which keeps any length, beyond it: cut by characters.
    const bool sqlite = GetParam() == TBackend::SQLite;
    db_->Execute("UPDATE BAIXAPAG SET DSBAIXAPAG = :D, DSNOMCHEQUE = :N WHERE NRBAIXAPAG = 'T1'",
                 {{"D", std::string(sqlite ? 300 : 247, 'x') + "ção"},
                  {"N", std::string(sqlite ? 38 : 36, 'a') + "çãéí"}});
    db_->Execute("UPDATE BAIXAPAG SET DSBAIXAPAG = :D WHERE NRBAIXAPAG = 'T2'",
                 {{"D", std::string(249, 'y') + "é"}});
    ExpectSameBytes(4);
}

TEST_P(WriteOffPacketTest, MoreRowsThanAShortArrayHeaderHoldsMatchTheDatasetsBytes) {
    server::SeedBulk(*db_, 300, d0_);
    auto rows =
        db_->SelectValue("SELECT COUNT(*) FROM BAIXAPAG WHERE CDEMPRESA = '01'").AsInteger();
    ASSERT_GT(rows, 255);
    ExpectSameBytes(static_cast<std::size_t>(rows));
}

TEST_P(WriteOffPacketTest, ACursorWithOtherColumnsIsRefused) {
    auto cursor = db_->OpenCursor("SELECT CDEMPRESA FROM EMPRESA");
    EXPECT_THROW(server::WriteOffPacket(*cursor), platform::EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Backends, WriteOffPacketTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
