// Tests of the in-memory dataset: fields, states and events, navigation, locate, controls, Data,
// index, change log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/datapacket.h"
#include "platform/dataset.h"
#include "platform/datasource.h"
#include "platform/datetime.h"
#include "platform/sysutils.h"

using namespace platform;

namespace {

// A small write-off list: key fields, mark, status, amount, date and description.
struct WriteOffs {
    TClientDataSet cds;
    TStringField* filial;
    TStringField* baixa;
    TFixedCharField* marcado;
    TStringField* status;
    TFloatField* valor;
    TDateTimeField* data;
    TStringField* descricao;

    WriteOffs() {
        filial = cds.AddStringField("CDFILIAL", 4);
        baixa = cds.AddStringField("NRBAIXAPAG", 10);
        marcado = cds.AddFixedCharField("IDMARCADO", 1);
        status = cds.AddStringField("IDSTATUSBPAG", 1);
        valor = cds.AddFloatField("VRBAIXAPAG");
        data = cds.AddDateTimeField("DTBAIXAPAG");
        descricao = cds.AddStringField("DSBAIXAPAG", 250);
    }
    void Add(const std::string& f, const std::string& b, const std::string& status_, double v,
             const std::string& description = "") {
        cds.Append();
        filial->SetAsString(f);
        baixa->SetAsString(b);
        marcado->SetAsString("N");
        status->SetAsString(status_);
        valor->SetAsFloat(v);
        data->SetAsDateTime(EncodeDate(2024, 3, 15));
        if (!description.empty()) descricao->SetAsString(description);
        cds.Post();
    }
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (cds.First(); !cds.Eof(); cds.Next())
            keys.push_back(filial->AsString() + baixa->AsString());
        return keys;
    }
};

// Records what a data-aware control hears.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> calls;

protected:
    void ActiveChanged() override { calls.push_back("active"); }
    void DataSetChanged() override { calls.push_back("changed"); }
    void DataSetScrolled() override { calls.push_back("scrolled"); }
    void RecordChanged(TField* field) override {
        calls.push_back("record:" + (field ? field->FieldName() : ""));
    }
    void EditingChanged() override { calls.push_back("editing"); }
};

const char* StateName(TDataSetState s) {
    switch (s) {
    case TDataSetState::dsInactive: return "inactive";
    case TDataSetState::dsBrowse: return "browse";
    case TDataSetState::dsEdit: return "edit";
    case TDataSetState::dsInsert: return "insert";
    }
    return "?";
}

// Hooks every dataset event and the data source's state changes into one log.
void RecordEvents(TDataSet& ds, TDataSource& source, std::vector<std::string>& log) {
    auto hook = [&log](const char* name) {
        return [&log, name](TDataSet* d) {
            log.push_back(std::string(name) + "(" + StateName(d->State()) + ")");
        };
    };
    ds.BeforeOpen = hook("BeforeOpen");
    ds.AfterOpen = hook("AfterOpen");
    ds.BeforeClose = hook("BeforeClose");
    ds.AfterClose = hook("AfterClose");
    ds.BeforeEdit = hook("BeforeEdit");
    ds.AfterEdit = hook("AfterEdit");
    ds.BeforeInsert = hook("BeforeInsert");
    ds.AfterInsert = hook("AfterInsert");
    ds.BeforePost = hook("BeforePost");
    ds.AfterPost = hook("AfterPost");
    ds.BeforeCancel = hook("BeforeCancel");
    ds.AfterCancel = hook("AfterCancel");
    ds.AfterScroll = hook("AfterScroll");
    source.SetDataSet(&ds);
    source.OnStateChange = [&log, &source](TObject*) {
        log.push_back(std::string("StateChange(") + StateName(source.State()) + ")");
    };
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Fields

TEST(DataSetFields, FieldByNameIgnoresCaseAndNamesAMissingField) {
    WriteOffs w;
    EXPECT_EQ(w.cds.FieldByName("cdFilial"), w.filial);
    EXPECT_EQ(w.cds.FindField("NADA"), nullptr);
    try {
        w.cds.FieldByName("NRLISTA");
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) { EXPECT_STREQ(e.what(), "Campo 'NRLISTA' não encontrado"); }
    EXPECT_THROW(w.cds.AddStringField("cdfilial", 3), EDatabaseError);
}

TEST(DataSetFields, ReadingAClosedOrEmptyDataSetGivesNull) {
    WriteOffs w;
    EXPECT_TRUE(w.filial->IsNull());
    EXPECT_EQ(w.filial->AsString(), "");
    EXPECT_EQ(w.valor->AsFloat(), 0.0);
    w.cds.CreateDataSet();
    EXPECT_TRUE(w.cds.IsEmpty());
    EXPECT_EQ(w.filial->AsString() + w.baixa->AsString(), "");
    EXPECT_EQ(w.cds.RecNo(), 0);
}

TEST(DataSetFields, AssigningOutsideEditOrInsertIsRefused) {
    WriteOffs w;
    EXPECT_THROW(w.filial->SetAsString("0001"), EDatabaseError);
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 10);
    try {
        w.filial->SetAsString("0002");
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Conjunto de dados não está em modo de edição ou inserção");
    }
    EXPECT_EQ(w.filial->AsString(), "0001");
}

TEST(DataSetFields, TextIsCutToSizeInCharactersAndFixedTextIsPadded) {
    TClientDataSet cds;
    auto* name = cds.AddStringField("NOME", 5);
    auto* mark = cds.AddFixedCharField("MARCA", 3);
    cds.CreateDataSet();
    cds.Append();
    name->SetAsString("AçãoÉÓtimo"); // accented letters are one character each
    mark->SetAsString("S");
    EXPECT_EQ(name->AsString(), "AçãoÉ");
    EXPECT_EQ(mark->AsString(), "S  ");
    mark->SetAsString("ABCDE");
    EXPECT_EQ(mark->AsString(), "ABC");
    cds.Post();
    EXPECT_EQ(name->AsString(), "AçãoÉ");
}

TEST(DataSetFields, NullIsDistinctFromEmptyText) {
    TClientDataSet cds;
    auto* a = cds.AddStringField("A", 10);
    cds.CreateDataSet();
    cds.Append();
    EXPECT_TRUE(a->IsNull());
    a->SetAsString("");
    EXPECT_FALSE(a->IsNull());
    cds.Post();
    EXPECT_FALSE(a->IsNull());
    EXPECT_TRUE(a->AsVariant() == Variant(""));
    cds.Edit();
    a->Clear();
    cds.Post();
    EXPECT_TRUE(a->IsNull());
    EXPECT_TRUE(a->AsVariant().IsNull());
}

TEST(DataSetFields, DisplayTextUsesHandlerThenFormatThenMask) {
    WriteOffs w;
    w.valor->SetDisplayFormat("#,##0.00 ");
    w.status->OnGetText = [](TField* sender, std::string& text, bool displayText) {
        text = displayText ? (sender->AsString() == "E" ? "Real" : "?") : "edit";
    };
    w.cds.CreateDataSet();
    w.Add("0001", "77", "E", 1234567.891);
    EXPECT_EQ(w.valor->DisplayText(), "1.234.567,89 ");
    EXPECT_EQ(w.valor->Text(), "1234567,891");
    EXPECT_EQ(w.status->DisplayText(), "Real");
    EXPECT_EQ(w.status->Text(), "edit");
    EXPECT_EQ(w.data->DisplayText(), "15/03/2024");
    w.baixa->SetEditMask("99-99;0; ");
    EXPECT_EQ(w.baixa->DisplayText(), "77-  ");
    EXPECT_EQ(w.baixa->Text(), "77");
}

TEST(DataSetFields, ConversionsFollowTheWorkstationFormats) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.cds.Append();
    w.valor->SetAsString("1.234,5");
    EXPECT_DOUBLE_EQ(w.valor->AsFloat(), 1234.5);
    w.valor->SetAsString("");
    EXPECT_TRUE(w.valor->IsNull());
    EXPECT_THROW(w.valor->SetAsString("abc"), EConvertError);
    w.data->SetAsString("01/02/2023");
    EXPECT_EQ(w.data->AsDateTime(), EncodeDate(2023, 2, 1));
    EXPECT_EQ(w.data->AsVariant().Type(), VarType::Date);
    w.filial->SetAsVariant(Variant(12));
    EXPECT_EQ(w.filial->AsString(), "12");
    EXPECT_THROW(w.valor->AsBoolean(), EDatabaseError);
}

TEST(DataSetFields, RequiredFieldStopsPost) {
    WriteOffs w;
    w.filial->SetRequired(true);
    w.cds.CreateDataSet();
    w.cds.Append();
    w.baixa->SetAsString("1");
    try {
        w.cds.Post();
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "O campo 'CDFILIAL' deve ter um valor");
    }
    EXPECT_EQ(w.cds.State(), TDataSetState::dsInsert);
    EXPECT_EQ(w.cds.RecordCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// States and events

TEST(DataSetEvents, OpenEditPostAndCloseRunInOrder) {
    WriteOffs w;
    TDataSource source;
    std::vector<std::string> log;
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.cds.Close();
    RecordEvents(w.cds, source, log);
    log.clear();

    w.cds.CreateDataSet();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen(inactive)", "StateChange(browse)",
                                             "AfterOpen(browse)"}));
    w.Add("0001", "1", "E", 1);
    log.clear();
    w.cds.Edit();
    w.marcado->SetAsString("S");
    w.cds.Post();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeEdit(browse)", "StateChange(edit)",
                                             "AfterEdit(edit)", "BeforePost(edit)",
                                             "StateChange(browse)", "AfterPost(browse)"}));
    log.clear();
    w.cds.Append();
    w.cds.Cancel();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeInsert(browse)", "StateChange(insert)",
                                             "AfterInsert(insert)", "BeforeCancel(insert)",
                                             "StateChange(browse)", "AfterCancel(browse)"}));
    EXPECT_EQ(w.cds.RecordCount(), 1);
    log.clear();
    w.cds.Close();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeClose(browse)", "StateChange(inactive)",
                                             "AfterClose(inactive)"}));
}

TEST(DataSetEvents, EditOnAnEmptyDataSetAppendsAndPendingEditsArePostedByNavigation) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.cds.Edit();
    EXPECT_EQ(w.cds.State(), TDataSetState::dsInsert);
    w.filial->SetAsString("0001");
    w.cds.Post();
    w.Add("0002", "2", "E", 2);
    w.cds.First();
    w.cds.Edit();
    w.marcado->SetAsString("S");
    w.cds.Next(); // posts the modified row first
    EXPECT_EQ(w.cds.State(), TDataSetState::dsBrowse);
    w.cds.First();
    EXPECT_EQ(w.marcado->AsString(), "S");
    w.cds.Edit();
    w.cds.Next(); // nothing changed: cancelled, not posted
    EXPECT_EQ(w.cds.State(), TDataSetState::dsBrowse);
}

TEST(DataSetEvents, CloseDropsPendingEditsAndRows) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.cds.Edit();
    w.filial->SetAsString("9999");
    w.cds.Close();
    EXPECT_EQ(w.cds.State(), TDataSetState::dsInactive);
    EXPECT_EQ(w.cds.RecordCount(), 0);
    EXPECT_THROW(w.cds.Open(),
                 EDatabaseError); // a client dataset opens through CreateDataSet or Data
}

// ---------------------------------------------------------------------------------------------
// Navigation

TEST(DataSetNavigation, CursorEndsAndAfterScroll) {
    WriteOffs w;
    w.cds.CreateDataSet();
    for (int i = 1; i <= 3; ++i) w.Add("0001", std::to_string(i), "E", i);
    int scrolls = 0;
    w.cds.AfterScroll = [&](TDataSet*) { ++scrolls; };
    w.cds.First();
    EXPECT_TRUE(w.cds.Bof());
    EXPECT_FALSE(w.cds.Eof());
    EXPECT_EQ(w.cds.RecNo(), 1);
    w.cds.Next();
    w.cds.Next();
    EXPECT_EQ(w.cds.RecNo(), 3);
    EXPECT_FALSE(w.cds.Eof());
    w.cds.Next(); // tries to move past the end: Eof, still on the last row
    EXPECT_TRUE(w.cds.Eof());
    EXPECT_EQ(w.cds.RecNo(), 3);
    EXPECT_EQ(scrolls, 4);
    w.cds.Next(); // already at Eof: no scroll
    EXPECT_EQ(scrolls, 4);
    EXPECT_EQ(w.cds.MoveBy(-5), -2);
    EXPECT_TRUE(w.cds.Bof());
    w.cds.Last();
    EXPECT_EQ(w.baixa->AsString(), "3");
    w.cds.SetRecNo(2);
    EXPECT_EQ(w.baixa->AsString(), "2");
}

// ---------------------------------------------------------------------------------------------
// Locate

TEST(DataSetLocate, TwoFieldsIgnoringCase) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.Add("00a1", "X1", "E", 1);
    w.Add("00A1", "x2", "E", 2);
    w.Add("00A1", "X2", "E", 3);
    w.cds.First();
    EXPECT_TRUE(w.cds.Locate("CDFILIAL;NRBAIXAPAG", {"00a1", "X2"}, loCaseInsensitive));
    EXPECT_EQ(w.cds.RecNo(), 2); // the first match in the current order
    EXPECT_TRUE(w.cds.Locate("CDFILIAL;NRBAIXAPAG", {"00A1", "X2"}));
    EXPECT_EQ(w.cds.RecNo(), 3); // exact case
    EXPECT_FALSE(w.cds.Locate("CDFILIAL;NRBAIXAPAG", {"00A1", "X9"}, loCaseInsensitive));
    EXPECT_EQ(w.cds.RecNo(), 3); // not found: the cursor stays

    Variant values = VarArrayCreate({0, 1});
    values[0] = "00A1";
    values[1] = "x1";
    EXPECT_TRUE(w.cds.Locate("cdfilial; nrbaixapag", values, {loCaseInsensitive}));
    EXPECT_EQ(w.cds.RecNo(), 1);
}

TEST(DataSetLocate, AccentsPartialKeysNumbersAndBadArguments) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 10.5, "JOSÉ DA SILVA");
    w.Add("0001", "2", "E", 20.25, "Maria");
    EXPECT_TRUE(w.cds.Locate("DSBAIXAPAG", Variant("josé da silva"), loCaseInsensitive));
    EXPECT_EQ(w.cds.RecNo(), 1);
    EXPECT_TRUE(w.cds.Locate("DSBAIXAPAG", Variant("mar"), {loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(w.cds.RecNo(), 2);
    EXPECT_TRUE(w.cds.Locate("VRBAIXAPAG", Variant(10.5)));
    EXPECT_EQ(w.cds.RecNo(), 1);
    EXPECT_TRUE(w.cds.Locate("IDMARCADO", Variant("N")));
    EXPECT_THROW(w.cds.Locate("CDFILIAL;NRBAIXAPAG", {"0001"}), EDatabaseError);
    EXPECT_THROW(w.cds.Locate("NADA", {"x"}), EDatabaseError);
}

// ---------------------------------------------------------------------------------------------
// Linked controls

// A write-off dataset with a data source and a recording link on it, counting the source's
// state changes.
struct LinkedWriteOffs {
    LinkedWriteOffs() {
        source.SetDataSet(&w.cds);
        link.SetDataSource(&source);
        source.OnStateChange = [this](TObject*) { ++stateChanges; };
    }
    WriteOffs w;
    TDataSource source;
    RecordingLink link;
    int stateChanges = 0;
};

TEST(DataSetControls, NestedDisableWithholdsNotificationsUntilTheOutermostEnable) {
    LinkedWriteOffs linked;
    WriteOffs& w = linked.w;
    RecordingLink& link = linked.link;
    int& stateChanges = linked.stateChanges;
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.Add("0001", "2", "E", 2);
    link.calls.clear();
    stateChanges = 0;
    int posts = 0;
    w.cds.AfterPost = [&](TDataSet*) { ++posts; };

    w.cds.DisableControls();
    w.cds.DisableControls();
    for (w.cds.First(); !w.cds.Eof(); w.cds.Next()) {
        w.cds.Edit();
        w.marcado->SetAsString("S");
        w.cds.Post();
    }
    w.cds.EnableControls();
    EXPECT_TRUE(w.cds.ControlsDisabled());
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(stateChanges, 0);
    EXPECT_EQ(posts, 2); // the dataset's own events still run
    w.cds.EnableControls();
    EXPECT_FALSE(w.cds.ControlsDisabled());
    EXPECT_EQ(link.calls, std::vector<std::string>{"changed"});
    w.cds.EnableControls(); // unbalanced enable changes nothing
    EXPECT_EQ(link.calls.size(), 1u);
}

TEST(DataSetControls, StateChangedWhileDisabledIsReportedOnEnable) {
    LinkedWriteOffs linked;
    WriteOffs& w = linked.w;
    RecordingLink& link = linked.link;
    int& stateChanges = linked.stateChanges;
    link.calls.clear();
    w.cds.DisableControls();
    w.cds.CreateDataSet();
    EXPECT_EQ(stateChanges, 0);
    w.cds.EnableControls();
    EXPECT_EQ(stateChanges, 1);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"active", "changed"}));
}

TEST(DataSetControls, LinksHearScrollsFieldChangesAndEditing) {
    LinkedWriteOffs linked;
    WriteOffs& w = linked.w;
    TDataSource& source = linked.source;
    RecordingLink& link = linked.link;
    std::vector<std::string> dataChanges;
    source.OnDataChange = [&](TObject*, TField* f) {
        dataChanges.push_back(f ? f->FieldName() : "*");
    };
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.Add("0001", "2", "E", 2);
    link.calls.clear();
    dataChanges.clear();
    w.cds.First();
    w.cds.Edit();
    w.marcado->SetAsString("S");
    w.cds.Post();
    EXPECT_EQ(link.calls, (std::vector<std::string>{"scrolled", "editing", "record:",
                                                    "record:IDMARCADO", "editing", "changed"}));
    EXPECT_EQ(dataChanges, (std::vector<std::string>{"*", "*", "IDMARCADO", "*"}));
}

TEST(DataSetControls, DestroyingEitherEndUnlinks) {
    RecordingLink link;
    {
        auto* cds = new TClientDataSet;
        TDataSource source;
        source.SetDataSet(cds);
        link.SetDataSource(&source);
        delete cds;
        EXPECT_EQ(source.DataSet(), nullptr);
        EXPECT_FALSE(link.Active());
    }
    EXPECT_EQ(link.DataSource(), nullptr);
}

TEST(DataSetControls, PeekReadsAnotherRowWithoutMoving) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.Add("0001", "2", "E", 2);
    int scrolls = 0;
    w.cds.AfterScroll = [&](TDataSet*) { ++scrolls; };
    w.cds.First();
    w.cds.Edit();
    w.baixa->SetAsString("edited");
    {
        TRecordPeek peek(w.cds, 2);
        EXPECT_EQ(w.baixa->AsString(), "2");
        TRecordPeek inner(w.cds, 1);
        EXPECT_EQ(w.baixa->AsString(), "edited"); // the row being edited reads its buffer
    }
    {
        TRecordPeek outside(w.cds, 3);
        EXPECT_TRUE(w.baixa->IsNull());
    }
    EXPECT_EQ(w.baixa->AsString(), "edited");
    EXPECT_EQ(scrolls, 1);
}

// ---------------------------------------------------------------------------------------------
// Data: the whole content replaced at once

TEST(DataSetData, ReplacingDataFiresCloseThenOpen) {
    WriteOffs source;
    source.cds.CreateDataSet();
    source.Add("0001", "1", "E", 1);
    source.Add("0002", "2", "P", 2);
    Variant packet = source.cds.Data();
    EXPECT_EQ(packet.Type(), VarType::Bytes);

    WriteOffs target;
    std::vector<std::string> log;
    TDataSource dts;
    RecordEvents(target.cds, dts, log);
    target.cds.SetData(packet);
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen(inactive)", "StateChange(browse)",
                                             "AfterOpen(browse)", "AfterScroll(browse)"}));
    log.clear();
    target.cds.SetData(packet);
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeClose(browse)", "StateChange(inactive)",
                                             "AfterClose(inactive)", "BeforeOpen(inactive)",
                                             "StateChange(browse)", "AfterOpen(browse)",
                                             "AfterScroll(browse)"}));
    EXPECT_EQ(target.Keys(), (std::vector<std::string>{"00011", "00022"}));
    target.cds.SetData(Variant::Null());
    EXPECT_FALSE(target.cds.Active());
    EXPECT_TRUE(target.cds.Data().IsNull());
}

TEST(DataSetData, WithoutPersistentFieldsTheFieldsComeFromThePacket) {
    WriteOffs source;
    source.cds.CreateDataSet();
    source.Add("0001", "1", "E", 12.5);
    TClientDataSet plain;
    plain.SetData(source.cds.Data());
    ASSERT_EQ(plain.FieldCount(), 7);
    TField* valor = plain.FieldByName("vrbaixapag");
    EXPECT_EQ(valor->DataType(), TFieldType::ftFloat);
    EXPECT_DOUBLE_EQ(valor->AsFloat(), 12.5);
    EXPECT_EQ(plain.FieldByName("IDMARCADO")->DataType(), TFieldType::ftFixedChar);
    EXPECT_EQ(plain.FieldDefs().Count(), 7);
    plain.SetData(source.cds.Data());
    EXPECT_EQ(plain.FieldByName("VRBAIXAPAG"), valor); // same layout: same field objects
}

TEST(DataSetData, PersistentFieldsIgnoreExtraColumnsAndKeepThemInTheirPacket) {
    TClientDataSet wide;
    wide.FieldDefs().Add("A", TFieldType::ftString, 5);
    wide.FieldDefs().Add("EXTRA", TFieldType::ftInteger);
    wide.CreateDataSet();
    wide.Append();
    wide.FieldByName("A")->SetAsString("x");
    wide.FieldByName("EXTRA")->SetAsInteger(42);
    wide.Post();
    TClientDataSet narrow;
    narrow.AddStringField("A", 5);
    narrow.SetData(wide.Data());
    EXPECT_EQ(narrow.FieldCount(), 1);
    TClientDataSet again;
    again.SetData(narrow.Data());
    EXPECT_EQ(again.FieldByName("EXTRA")->AsInteger(), 42);
}

TEST(DataSetData, RefusedPacketsLeaveTheDataSetExactlyAsItWas) {
    WriteOffs w;
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.Add("0002", "2", "E", 2);
    w.cds.SetRecNo(2);
    w.cds.Edit();
    w.marcado->SetAsString("S");
    Variant before = Variant::FromBytes(EncodePacket(w.cds));
    int events = 0;
    w.cds.AfterClose = w.cds.AfterOpen = w.cds.BeforeClose = [&](TDataSet*) { ++events; };

    TClientDataSet missing; // lacks IDMARCADO
    missing.FieldDefs().Add("CDFILIAL", TFieldType::ftString, 4);
    missing.CreateDataSet();
    TClientDataSet retyped; // carries VRBAIXAPAG as text
    for (TField* f : w.cds.Fields())
        retyped.FieldDefs().Add(
            f->FieldName(), f->FieldName() == "VRBAIXAPAG" ? TFieldType::ftString : f->DataType(),
            f->FieldName() == "VRBAIXAPAG" ? 20 : f->Size());
    retyped.CreateDataSet();

    auto expectRefused = [&](const Variant& packet, const std::string& message) {
        try {
            w.cds.SetData(packet);
            FAIL() << "accepted";
        } catch (const EDatabaseError& e) { EXPECT_EQ(std::string(e.what()), message); }
        EXPECT_EQ(events, 0);
        EXPECT_EQ(w.cds.State(), TDataSetState::dsEdit);
        EXPECT_EQ(w.cds.RecNo(), 2);
        EXPECT_EQ(w.marcado->AsString(), "S");
        EXPECT_EQ(EncodePacket(w.cds), before.AsBytes());
    };
    expectRefused(missing.Data(), "O pacote de dados não traz o campo 'NRBAIXAPAG'");
    expectRefused(retyped.Data(),
                  "Tipo incompatível para o campo 'VRBAIXAPAG': esperado Float, recebido String");
    expectRefused(Variant::FromBytes("not a packet"),
                  "Pacote de dados inválido: não é um pacote de dados");
    std::string truncated = before.AsBytes().substr(0, before.AsBytes().size() - 3);
    expectRefused(Variant::FromBytes(truncated), "Pacote de dados inválido: pacote truncado");
    EXPECT_THROW(w.cds.SetData(Variant(3.5)), EDatabaseError);
    w.cds.Post();
    EXPECT_EQ(w.marcado->AsString(), "S");
}

// ---------------------------------------------------------------------------------------------
// Index order

TEST(DataSetIndex, ActiveIndexOrdersRowsStablyAndFollowsPosts) {
    TClientDataSet result;
    result.FieldDefs().Add("CDRESULT", TFieldType::ftString, 3);
    result.FieldDefs().Add("IDTPRESULT", TFieldType::ftString, 2);
    result.IndexDefs().Add("idxResultado", "IDTPRESULT");
    result.SetIndexName("idxResultado");
    result.CreateDataSet();
    auto add = [&](const char* code, const char* type) {
        result.Append();
        result.FieldByName("CDRESULT")->SetAsString(code);
        result.FieldByName("IDTPRESULT")->SetAsString(type);
        result.Post();
        EXPECT_EQ(result.FieldByName("CDRESULT")->AsString(), code); // the posted row stays current
    };
    add("a", "2");
    add("b", "1");
    add("c", "2");
    add("d", "1");
    auto codes = [&] {
        std::string s;
        for (result.First(); !result.Eof(); result.Next())
            s += result.FieldByName("CDRESULT")->AsString();
        return s;
    };
    EXPECT_EQ(codes(), "bdac");
    result.First();
    result.Edit();
    result.FieldByName("IDTPRESULT")->SetAsString("3");
    result.Post();
    EXPECT_EQ(result.RecNo(), 4);
    EXPECT_EQ(codes(), "dacb");

    // Replacing the data keeps the index; switching it off gives insertion order.
    TClientDataSet copy;
    copy.IndexDefs().Add("idx", "IDTPRESULT;CDRESULT", ixDescending);
    copy.SetIndexName("idx");
    copy.SetData(result.Data());
    copy.First();
    EXPECT_EQ(copy.FieldByName("CDRESULT")->AsString(), "b");
    result.SetIndexFieldNames("");
    EXPECT_EQ(codes(), "abcd");
    result.SetIndexFieldNames("CDRESULT");
    EXPECT_EQ(result.IndexName(), "");
    EXPECT_THROW(result.SetIndexFieldNames("NADA"), EDatabaseError);
    EXPECT_EQ(result.IndexFieldNames(), "CDRESULT");
    EXPECT_THROW(result.SetIndexName("semIndice"), EDatabaseError);
}

// ---------------------------------------------------------------------------------------------
// Change log

TEST(DataSetChangeLog, CancelUpdatesRestoresTheRowsOfTheLastMergeOrOpen) {
    WriteOffs w;
    w.cds.CancelUpdates(); // closed: nothing
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1, std::string(200, 'a'));
    w.Add("0001", "2", "E", 2);
    w.cds.MergeChangeLog();
    EXPECT_EQ(w.cds.ChangeCount(), 0);
    w.cds.First();
    for (int i = 0; i < 3; ++i) {
        w.cds.Edit();
        w.descricao->SetAsString(std::string(200, static_cast<char>('b' + i)));
        w.cds.Post();
    }
    w.cds.Edit();
    w.valor->Clear();
    w.marcado->SetAsString("S");
    w.cds.Post();
    w.cds.Next();
    w.cds.Edit();
    w.descricao->SetAsString("era nulo");
    w.cds.Post();
    w.Add("0001", "3", "E", 3);
    EXPECT_EQ(w.cds.ChangeCount(), 3); // rows, not values
    w.cds.CancelUpdates();
    EXPECT_EQ(w.cds.RecordCount(), 2);
    w.cds.First();
    EXPECT_EQ(w.descricao->AsString(), std::string(200, 'a'));
    EXPECT_EQ(w.valor->AsFloat(), 1.0);
    EXPECT_EQ(w.marcado->AsString(), "N");
    w.cds.Next();
    EXPECT_TRUE(w.descricao->IsNull());
    EXPECT_EQ(w.cds.ChangeCount(), 0);

    // Data loaded from a packet is the base too.
    WriteOffs other;
    other.cds.SetData(w.cds.Data());
    other.cds.Edit();
    other.filial->SetAsString("9");
    other.cds.Post();
    other.cds.CancelUpdates();
    EXPECT_EQ(other.Keys(), (std::vector<std::string>{"00011", "00012"}));
}

TEST(DataSetChangeLog, ManyEditsOfLongTextsStayCorrectAcrossCompaction) {
    TClientDataSet cds;
    auto* text = cds.AddStringField("T", 300);
    cds.CreateDataSet();
    for (int i = 0; i < 50; ++i) {
        cds.Append();
        text->SetAsString("base" + std::to_string(i) + std::string(250, 'x'));
        cds.Post();
    }
    cds.MergeChangeLog();
    for (int round = 0; round < 200; ++round) {
        cds.First();
        while (!cds.Eof()) {
            cds.Edit();
            text->SetAsString("r" + std::to_string(round) + "-" + std::to_string(cds.RecNo()) +
                              std::string(250, 'y'));
            cds.Post();
            cds.Next();
        }
    }
    cds.SetRecNo(7);
    EXPECT_EQ(text->AsString(), "r199-7" + std::string(250, 'y'));
    EXPECT_LT(cds.AllocatedBytes(), std::size_t{4} << 20); // the garbage of old texts is reclaimed
    cds.CancelUpdates();
    cds.SetRecNo(7);
    EXPECT_EQ(text->AsString(), "base6" + std::string(250, 'x'));
}

TEST(DataSetChangeLog, EmptyDataSetRemovesRowsAndKeepsFields) {
    WriteOffs w;
    EXPECT_THROW(w.cds.EmptyDataSet(), EDatabaseError);
    w.cds.CreateDataSet();
    w.Add("0001", "1", "E", 1);
    w.cds.EmptyDataSet();
    EXPECT_TRUE(w.cds.IsEmpty());
    EXPECT_TRUE(w.cds.Active());
    w.cds.CancelUpdates();
    EXPECT_TRUE(w.cds.IsEmpty());
    w.Add("0002", "2", "E", 2);
    EXPECT_EQ(w.Keys(), std::vector<std::string>{"00022"});
}

// ---------------------------------------------------------------------------------------------
// Bulk loading

TEST(DataSetLoading, AppenderAddsRowsWithoutEventsAndNotifiesOnce) {
    TClientDataSet cds;
    cds.FieldDefs().Add("K", TFieldType::ftString, 3);
    cds.FieldDefs().Add("M", TFieldType::ftFixedChar, 2);
    cds.FieldDefs().Add("V", TFieldType::ftFloat);
    cds.FieldDefs().Add("N", TFieldType::ftInteger);
    cds.SetIndexFieldNames("K");
    cds.CreateDataSet();
    TDataSource source;
    source.SetDataSet(&cds);
    RecordingLink link;
    link.SetDataSource(&source);
    link.calls.clear();
    int posts = 0;
    cds.AfterPost = [&](TDataSet*) { ++posts; };
    TRowAppender load(cds);
    for (const char* k : {"ccc", "aaaa", "bbb"}) {
        load.AddRow();
        load.SetString(0, k);
        load.SetString(1, "S");
        load.SetVariant(2, Variant("2,5"));
        load.SetVariant(3, Variant::Null());
    }
    EXPECT_THROW(load.SetFloat(0, 1.0), EDatabaseError);
    load.Finish();
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(link.calls, std::vector<std::string>{"changed"});
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.FieldByName("K")->AsString(), "aaa"); // cut to size, first in index order
    EXPECT_EQ(cds.FieldByName("M")->AsString(), "S ");
    EXPECT_DOUBLE_EQ(cds.FieldByName("V")->AsFloat(), 2.5);
    EXPECT_TRUE(cds.FieldByName("N")->IsNull());
    EXPECT_EQ(cds.ChangeCount(), 3);
}
