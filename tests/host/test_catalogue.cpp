// Message catalogues and key sets: lookups ignoring case, set behaviour.
#include <gtest/gtest.h>

#include "fake_services.h"
#include "host/keylist.h"
#include "host/messages.h"
#include "platform/sysutils.h"

using host::TKeyList;
using host::TMessages;

namespace {

void Fill(TMessages& msg) {
    msg.SetLines({"Emp_nr|Empresa não relacionada ao operador logado.", "Fpag|Tipo de Baixa",
                  "DtLancIni_menor|Data de lançamento inicial.", "P|Planejada", "TAB|a\tb  ",
                  "SEMTEXTO", "fpag|segunda linha da mesma chave"});
}

} // namespace

TEST(Messages, LooksUpKeysIgnoringCase) {
    TMessages msg;
    Fill(msg);
    EXPECT_EQ(msg.Msg("Emp_Nr"), "Empresa não relacionada ao operador logado.");
    EXPECT_EQ(msg.Msg("EMP_NR"), "Empresa não relacionada ao operador logado.");
    EXPECT_EQ(msg.Msg("FPag"), "Tipo de Baixa"); // first line of a repeated key wins
    EXPECT_EQ(msg.Msg("DtlancIni_menor"), "Data de lançamento inicial.");
    EXPECT_EQ(msg.Msg("p"), "Planejada");
}

TEST(Messages, KeepsTextsVerbatimAndGivesEmptyTextForMissingKeys) {
    TMessages msg;
    Fill(msg);
    EXPECT_EQ(msg.Msg("TAB"), "a\tb  ");
    EXPECT_EQ(msg.Msg("SemTexto"), "");
    EXPECT_TRUE(msg.HasMsg("SemTexto"));
    EXPECT_EQ(msg.Msg("X"), "");
    EXPECT_FALSE(msg.HasMsg("X"));
    // A key is the whole part before the bar, not a prefix.
    EXPECT_EQ(msg.Msg("Emp"), "");
}

TEST(Messages, ExposesLinesAndCount) {
    TMessages msg;
    Fill(msg);
    EXPECT_EQ(msg.GetMsgCount(), 7);
    EXPECT_EQ(msg.KeyAt(0), "Emp_nr");
    EXPECT_EQ(msg.TextAt(3), "Planejada");
    EXPECT_THROW(msg.KeyAt(7), platform::ERangeError);
    msg.Lines().push_back("NOVA|Nova");
    EXPECT_EQ(msg.GetMsgCount(), 8);
    EXPECT_EQ(msg.Msg("nova"), "Nova");
}

TEST(KeyList, BehavesAsASet) {
    TKeyList marked;
    EXPECT_TRUE(marked.Add("00010000000001", 0));
    EXPECT_FALSE(marked.Add("00010000000001", 5)); // already present: nothing changes
    EXPECT_EQ(marked.Count(), 1);
    EXPECT_EQ(marked.Value("00010000000001"), 0);
    EXPECT_TRUE(marked.Add("00010000000002", 0));
    EXPECT_EQ(marked.Count(), 2);

    EXPECT_FALSE(marked.Remove("99999999999999")); // absent: nothing happens
    EXPECT_EQ(marked.Count(), 2);
    EXPECT_TRUE(marked.Remove("00010000000001"));
    EXPECT_FALSE(marked.Exists("00010000000001"));
    EXPECT_FALSE(marked.Remove("00010000000001"));
    EXPECT_EQ(marked.Count(), 1);

    marked.Clear();
    EXPECT_EQ(marked.Count(), 0);
    EXPECT_TRUE(marked.Add("00010000000002", 0));
}

TEST(Messages, ShowMsgAsksThroughServicesAndReturnsTheModalResult) {
    hosttest::FakeServices services;
    TMessages msg;
    msg.SetLines({"MARCA_BAIXA|Deseja marcar todas as baixas?"});
    services.answers = {platform::mrYes, platform::mrNo};
    EXPECT_EQ(
        msg.ShowMsg("marca_baixa", platform::TMsgDlgType::mtConfirmation, platform::mbYesNo, 0), 6);
    EXPECT_EQ(
        msg.ShowMsg("MARCA_BAIXA", platform::TMsgDlgType::mtConfirmation, platform::mbYesNo, 0),
        platform::mrNo);
    EXPECT_EQ(services.log,
              (std::vector<std::string>{"question Deseja marcar todas as baixas? -> Yes",
                                        "question Deseja marcar todas as baixas? -> No"}));
}
