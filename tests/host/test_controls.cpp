// Host controls: date edit, number edit and search button as screens use them.
#include <gtest/gtest.h>

#include "fake_services.h"
#include "host/btnpesquisa.h"
#include "host/consiste.h"
#include "host/dateeditplus.h"
#include "host/numberedit.h"
#include "platform/datasource.h"
#include "platform/datetime.h"
#include "platform/forms.h"

using host::TDateEditPlus;
using host::TNumberEdit;
using platform::EncodeDate;

namespace {

// A visible form to hold the controls under test.
class OnAForm : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = platform::CreateForm<platform::TForm>(&platform::Application());
        form_->SetName("frmTeste");
        form_->Show();
    }
    void TearDown() override {
        delete form_;
        platform::Application().ProcessMessages();
    }
    template <class C> C* Add(const char* name) {
        C* control = form_->Create<C>();
        control->SetName(name);
        control->SetParent(form_);
        return control;
    }
    hosttest::FakeServices services_;
    platform::TForm* form_ = nullptr;
};

} // namespace

TEST_F(OnAForm, DateEditReadsAndWritesWholeDaysWithZeroForNoDate) {
    auto* ded = Add<TDateEditPlus>("dedDtIni");
    EXPECT_EQ(ded->GetDate(), 0);
    EXPECT_TRUE(host::Consiste::EmptyString(ded->Text()));
    EXPECT_NO_THROW(ded->CheckValidDate());

    ded->SetDate(EncodeDate(2024, 3, 15) + 0.75); // the time of day is dropped
    EXPECT_EQ(ded->Text(), "15/03/2024");
    EXPECT_EQ(ded->GetDate(), EncodeDate(2024, 3, 15));
    EXPECT_EQ(ded->DayName(), "Sexta");
    EXPECT_EQ(ded->Font().Color, platform::clBlue);

    ded->SetDate(0);
    EXPECT_EQ(ded->GetDate(), 0);
    EXPECT_NE(ded->Font().Color, platform::clBlue);
    EXPECT_EQ(ded->DayName(), "");
}

TEST_F(OnAForm, DateEditTypedDigitsFormADateAndInvalidTextRaisesAClearMessage) {
    auto* ded = Add<TDateEditPlus>("dedDtFin");
    ded->SetFocus(); // entering selects the whole text, so typing starts at the first digit
    ded->TypeText("01022024");
    EXPECT_EQ(ded->Text(), "01/02/2024");
    EXPECT_EQ(ded->GetDate(), EncodeDate(2024, 2, 1));

    ded->SetText("31/02/2024");
    try {
        ded->CheckValidDate();
        ADD_FAILURE() << "an invalid date passed";
    } catch (const platform::EConvertError& e) {
        EXPECT_EQ(e.Message(), "'31/02/2024' não é uma data válida.");
    }
    EXPECT_THROW(ded->GetDate(), platform::EConvertError);
    EXPECT_NE(ded->Font().Color, platform::clBlue);

    ded->SetText("12/"); // a date left half typed
    EXPECT_THROW(ded->CheckValidDate(), platform::EConvertError);
}

TEST_F(OnAForm, NumberEditReadsZeroForEmptyAndShowsTwoDecimalsWithThousands) {
    auto* ned = Add<TNumberEdit>("nedVrLiqIni");
    EXPECT_EQ(ned->GetNumber(), 0);
    ned->SetText("0");
    EXPECT_EQ(ned->GetNumber(), 0);
    ned->SetNumber(1234567.891);
    EXPECT_EQ(ned->Text(), "1.234.567,89");
    EXPECT_DOUBLE_EQ(ned->GetNumber(), 1234567.89);
    ned->SetText("1234,5");
    EXPECT_DOUBLE_EQ(ned->GetNumber(), 1234.5);
    ned->SetText("abc");
    EXPECT_THROW(ned->GetNumber(), platform::EConvertError);
}

TEST_F(OnAForm, NumberEditDropsLettersAndFormatsWhenLeft) {
    auto* ned = Add<TNumberEdit>("nedVrLiqFin");
    auto* other = Add<platform::TEdit>("edtOutro");
    ned->SetTabStop(true);
    other->SetTabStop(true);
    ned->SetFocus();
    ned->TypeText("1a2b3,4");
    EXPECT_EQ(ned->Text(), "123,4");
    other->SetFocus();
    EXPECT_EQ(ned->Text(), "123,40");

    // The screen's key filter sees every key first and can cancel it.
    ned->OnKeyPress = [](platform::TObject*, platform::TKeyChar& key) {
        if (key == '-') platform::Abort();
    };
    ned->SetText("");
    try {
        ned->TypeKey('-');
    } catch (const platform::EAbort&) {}
    EXPECT_EQ(ned->Text(), "");
}

namespace {

class CompanySearch : public OnAForm {
protected:
    void SetUp() override {
        OnAForm::SetUp();
        cds_.AddStringField("CDEMPRESA", 2)->SetDisplayLabel("Código");
        cds_.AddStringField("NMEMPRESA", 40)->SetDisplayLabel("Nome");
        dts_.SetDataSet(&cds_);
        med_ = Add<platform::TMaskEdit>("medCdEmpresa");
        med_->SetTabStop(true);
        btp_ = Add<host::TBtnPesquisa>("btpEmpresa");
        btp_->SetAssociate(med_);
        btp_->SetDataSource(&dts_);
        btp_->SetTitle("Empresa");
        btp_->SetEmptyError("Não há empresa cadastrada.");
        btp_->OnBeforePesq = [this](platform::TObject*) {
            steps_.push_back("before");
            cds_.Close();
            cds_.CreateDataSet();
            for (const char* code : rows_) {
                cds_.Append();
                cds_.FieldByName("CDEMPRESA")->SetAsString(code);
                cds_.FieldByName("NMEMPRESA")->SetAsString(std::string("Empresa ") + code);
                cds_.Post();
            }
        };
        btp_->OnAfterPesq = [this](platform::TObject*) {
            steps_.push_back("after " + cds_.FieldByName("CDEMPRESA")->AsString());
            med_->SetText(cds_.FieldByName("CDEMPRESA")->AsString());
        };
    }
    platform::TClientDataSet cds_;
    platform::TDataSource dts_;
    platform::TMaskEdit* med_ = nullptr;
    host::TBtnPesquisa* btp_ = nullptr;
    std::vector<const char*> rows_{"01", "02", "03"};
    std::vector<std::string> steps_;
};

} // namespace

TEST_F(CompanySearch, PickRunsBeforeThenAfterWithThePickedRowCurrent) {
    services_.rowPicks.push_back(std::string("02"));
    btp_->UserClick();
    EXPECT_EQ(steps_, (std::vector<std::string>{"before", "after 02"}));
    EXPECT_EQ(services_.log, std::vector<std::string>{"pickrow Empresa"});
    EXPECT_EQ(services_.lastPickRows, (std::vector<std::string>{"01", "02", "03"}));
    EXPECT_EQ(med_->Text(), "02");
    EXPECT_TRUE(med_->Focused());
}

TEST_F(CompanySearch, CancelRunsNoAfterAndAnEmptyListShowsTheEmptyError) {
    services_.rowPicks.push_back(std::nullopt);
    btp_->UserClick();
    EXPECT_EQ(steps_, std::vector<std::string>{"before"});

    rows_.clear();
    steps_.clear();
    services_.log.clear();
    EXPECT_THROW(btp_->Click(), platform::EAbort);
    EXPECT_EQ(steps_, std::vector<std::string>{"before"});
    EXPECT_EQ(services_.log, std::vector<std::string>{"error Não há empresa cadastrada."});
}

TEST_F(CompanySearch, AnOnClickOfTheScreenTakesTheClickOverAndDisabledButtonsDoNothing) {
    int clicks = 0;
    btp_->OnClick = [&](platform::TObject*) { ++clicks; };
    btp_->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(steps_.empty());
    btp_->SetEnabled(false);
    btp_->Click();
    EXPECT_EQ(clicks, 1);
}
