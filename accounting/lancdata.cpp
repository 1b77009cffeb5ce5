// The layouts of the accounting screen's datasets and the row copying that fills them.
#include "accounting/lancdata.h"

#include <vector>

namespace accounting {

using platform::TClientDataSet;
using platform::TField;

namespace {

constexpr const char* kAmountFormat = "#,##0.00";

TField* Text(TClientDataSet& cds, const char* name, int size, const char* label,
             bool visible = true) {
    TField* field = cds.AddStringField(name, size);
    field->SetDisplayLabel(label);
    field->SetVisible(visible);
    return field;
}

TField* Amount(TClientDataSet& cds, const char* name, const char* label, bool visible = true) {
    TField* field = cds.AddFloatField(name);
    field->SetDisplayLabel(label);
    field->SetDisplayFormat(kAmountFormat);
    field->SetVisible(visible);
    return field;
}

TField* Date(TClientDataSet& cds, const char* name, const char* label) {
    TField* field = cds.AddDateTimeField(name);
    field->SetDisplayLabel(label);
    return field;
}

} // namespace

void DefineLancamentos(TClientDataSet& cds) {
    cds.SetName("cdsLancamentos");
    Text(cds, "NRSEQCTBTEMP", 6, "Sequência");
    Date(cds, "DTLANCCTBTEMP", "Data");
    Text(cds, "CDCONTCTBL", 20, "Conta Contábil");
    Text(cds, "CDCONTREDU", 20, "C. Reduzido");
    Text(cds, "NMCONTCTBL", 40, "Nome");
    Amount(cds, "VRDEBITO", "Débito");
    Amount(cds, "VRCREDITO", "Crédito");
    Text(cds, "CDHISTPADR", 4, "Histórico");
    Text(cds, "DSHISTCTB", 200, "Descrição do Histórico");
    Text(cds, "CDLANCCTBCOME", 21, "C. Comercial");
    Text(cds, "CDDOCUCONT", 40, "Documento");
    Text(cds, "NRLANCCTBTEMP", 20, "Lançamento");
    Amount(cds, "VRLANCCTBTEMP", "Valor", false);
    Text(cds, "IDLANCCTBCOME", 1, "ID", false);
    Text(cds, "CDEMPRESA", 2, "Empresa", false);
    Text(cds, "NMEMPRESA", 40, "Nome da Empresa", false);
}

void DefineRateio(TClientDataSet& cds) {
    cds.SetName("cdsRateio");
    Text(cds, "NRSEQCTBTEMP", 6, "Sequência");
    Text(cds, "NRSEQRATTEMP", 5, "Rateio");
    Text(cds, "CDFILIAL", 4, "Filial");
    Text(cds, "NMFILIAL", 30, "Nome da Filial");
    Text(cds, "CDCENTCUST", 4, "C. Custo");
    Text(cds, "NMCENTCUST", 40, "Nome do Centro de Custo");
    Amount(cds, "VRLANCCUST", "Valor");
    Date(cds, "DTCOMPCTBTEMP", "Data");
    Text(cds, "NRLANCCTBTEMP", 20, "Lançamento");
    Text(cds, "CDEMPRESA", 2, "Empresa", false);
}

void DefineErros(TClientDataSet& cds) {
    cds.SetName("cdsErros");
    Text(cds, "CDERROTEMP", 3, "Código");
    Text(cds, "DSERRO", 120, "Descrição do Erro");
    Text(cds, "NRSEQCTBTEMP", 6, "Sequência");
    Text(cds, "CDCONTCTBL", 20, "Conta Contábil");
    Text(cds, "DSBAIXA", 16, "Baixa");
}

void CopiaLinhas(platform::TDataSet& source, TClientDataSet& target,
                 std::initializer_list<const char*> required, const std::string& what,
                 const TRowExtra& extra) {
    target.CreateDataSet();
    if (!source.Active()) return;
    try {
        for (const char* name : required)
            if (source.FindField(name) == nullptr)
                throw platform::Exception("falta o campo " + std::string(name) + ".");
        // Source field feeding each target field, by position in target.Fields().
        std::vector<TField*> from;
        for (TField* field : target.Fields()) from.push_back(source.FindField(field->FieldName()));
        platform::TRowAppender rows(target);
        for (source.First(); !source.Eof(); source.Next()) {
            rows.AddRow();
            for (std::size_t i = 0; i < from.size(); ++i)
                if (from[i] != nullptr) rows.SetVariant(static_cast<int>(i), from[i]->AsVariant());
            if (extra) extra(rows, source);
        }
        rows.Finish();
    } catch (const platform::Exception& e) {
        target.Close();
        throw platform::Exception("Não foi possível ler " + what + ": " + e.Message());
    }
}

} // namespace accounting
