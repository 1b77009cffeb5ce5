// Code lists and PesquisaLista: the list format in and out, confirm, cancel and empty tables.
#include <gtest/gtest.h>

#include "fake_services.h"
#include "host/adoibquery.h"
#include "host/dbgeral.h"
#include "host/liststring.h"
#include "host/pesqlista.h"
#include "host/session.h"
#include "platform/datasource.h"
#include "platform/sysutils.h"

using host::DecodeCodeList;
using host::EncodeCodeList;

TEST(CodeList, EncodesQuotedCodesWithDoubledQuotesAndReadsThemBack) {
    EXPECT_EQ(EncodeCodeList({}), "");
    EXPECT_EQ(EncodeCodeList({"01"}), "'01'");
    EXPECT_EQ(EncodeCodeList({"01", "02", "A'B"}), "'01','02','A''B'");
    std::vector<std::string> awkward{"a,b", " x ", "''", "ção", "'"};
    EXPECT_EQ(DecodeCodeList(EncodeCodeList(awkward)), awkward);
    EXPECT_EQ(DecodeCodeList(""), std::vector<std::string>{});
    EXPECT_THROW(EncodeCodeList({"01", ""}), platform::EConvertError);
}

TEST(CodeList, RefusesAnythingOutsideTheFormat) {
    for (const char* bad : {"01", "'01", "'01',", "'01', '02'", " '01'", "'01''", "'01'x", ",'01'",
                            "'01',,'02'", "''", "'01',''"}) {
        EXPECT_THROW(DecodeCodeList(bad), platform::EConvertError) << bad;
    }
}

TEST(CodeList, TheRefusalQuotesTheListAndThePlaceWhereItBreaks) {
    const auto message = [](const char* list) {
        try {
            DecodeCodeList(list);
        } catch (const platform::EConvertError& e) { return e.Message(); }
        return std::string("accepted");
    };
    EXPECT_EQ(message("'01';'02'"), "Lista de códigos inválida na posição 5: ''01';'02''");
    EXPECT_EQ(message("'01',"), "Lista de códigos inválida na posição 6: ''01','"); // past the end
    EXPECT_EQ(message("'01"), "Lista de códigos inválida na posição 4: ''01'");
    // The host reads back any code it could have written: no length bound, blanks and controls.
    EXPECT_EQ(DecodeCodeList("'" + std::string(80, 'x') + "','\t'").size(), 2u);
}

namespace {

// A supplier table as a client dataset behind a data source.
class SupplierPick : public ::testing::Test {
protected:
    void SetUp() override {
        cds_.AddStringField("CDFORNECED", 21);
        cds_.AddStringField("NMFANTFORN", 40);
        dts_.SetDataSet(&cds_);
    }
    void Fill(std::initializer_list<const char*> codes) {
        if (!cds_.Active()) cds_.CreateDataSet();
        for (const char* code : codes) {
            cds_.Append();
            cds_.FieldByName("CDFORNECED")->SetAsString(code);
            cds_.FieldByName("NMFANTFORN")->SetAsString(std::string("Fornecedor ") + code);
            cds_.Post();
        }
    }
    hosttest::FakeServices services_;
    platform::TClientDataSet cds_;
    platform::TDataSource dts_;
};

} // namespace

TEST_F(SupplierPick, PreChoosesTheIncomingCodesAndWritesTheNewChoiceInRowOrder) {
    Fill({"0001", "0002", "O'BRIEN", "0004"});
    std::string list = "'0002','0004'";
    services_.picks.push_back(std::vector<std::string>{"0004", "O'BRIEN", "0001"});
    EXPECT_TRUE(host::Pesqlista::PesquisaLista(&dts_, "cdforneced", "Fornecedor", false, list));
    EXPECT_EQ(services_.lastPickIn, (std::vector<std::string>{"0002", "0004"}));
    EXPECT_EQ(services_.lastPickRows,
              (std::vector<std::string>{"0001", "0002", "O'BRIEN", "0004"}));
    EXPECT_EQ(list, "'0001','O''BRIEN','0004'");
    EXPECT_EQ(services_.log, std::vector<std::string>{"pick Fornecedor"});

    // Choosing nothing gives the empty list (no restriction).
    services_.picks.push_back(std::vector<std::string>{});
    EXPECT_TRUE(host::Pesqlista::PesquisaLista(&dts_, "CDFORNECED", "Fornecedor", false, list));
    EXPECT_EQ(list, "");
}

TEST_F(SupplierPick, CancelLeavesTheListUnchanged) {
    Fill({"0001", "0002"});
    std::string list = "'0002'";
    services_.picks.push_back(std::nullopt);
    EXPECT_FALSE(host::Pesqlista::PesquisaLista(&dts_, "CDFORNECED", "Fornecedor", false, list));
    EXPECT_EQ(list, "'0002'");
}

TEST_F(SupplierPick, EmptyTableShowsTheTextAfterTheBarAndAborts) {
    cds_.CreateDataSet();
    std::string list = "'0002'";
    EXPECT_THROW(host::Pesqlista::PesquisaLista(&dts_, "CDFORNECED",
                                                "Filial|Não há filial cadastrada.", false, list),
                 platform::EAbort);
    EXPECT_EQ(services_.log, std::vector<std::string>{"error Não há filial cadastrada."});
    EXPECT_EQ(list, "'0002'");

    // With text after the bar, the caption shown is only the part before it.
    Fill({"0001"});
    services_.log.clear();
    services_.picks.push_back(std::vector<std::string>{"0001"});
    EXPECT_TRUE(host::Pesqlista::PesquisaLista(&dts_, "CDFORNECED",
                                               "Filial|Não há filial cadastrada.", false, list));
    EXPECT_EQ(services_.log, std::vector<std::string>{"pick Filial"});
    EXPECT_EQ(list, "'0001'");
}

TEST_F(SupplierPick, OpensAClosedSourceAndRefusesAMalformedIncomingList) {
    host::Session().databaseUrl = "sqlite::memory:";
    host::Dbgeral::ClearConnection();
    host::Dbgeral::Connection().ExecuteScript(
        "CREATE TABLE FILIAL (CDFILIAL VARCHAR(4), NMFILIAL VARCHAR(30));"
        "INSERT INTO FILIAL VALUES ('0001', 'Matriz'), ('0002', 'Filial Sul');");
    host::TADOIBQuery qry;
    qry.SQL() = {"SELECT CDFILIAL, NMFILIAL FROM FILIAL ORDER BY CDFILIAL"};
    platform::TDataSource dts;
    dts.SetDataSet(&qry);
    std::string list;
    services_.picks.push_back(std::vector<std::string>{"0002"});
    EXPECT_TRUE(host::Pesqlista::PesquisaLista(&dts, "CDFilial", "Filial", false, list));
    EXPECT_TRUE(qry.Active());
    EXPECT_EQ(list, "'0002'");

    std::string bad = "0001,0002";
    EXPECT_THROW(host::Pesqlista::PesquisaLista(&dts, "CDFILIAL", "Filial", false, bad),
                 platform::EConvertError);
    EXPECT_EQ(bad, "0001,0002");
    qry.Close();
    host::Dbgeral::ClearConnection();
    host::ResetSession();
}
