// Builds the accounting screen's content from the handed-over packets or from the database.
#include "accounting/lancview.h"

#include <map>
#include <memory>

#include "accounting/errosctb.h"
#include "accounting/lancdata.h"
#include "platform/formats.h"

namespace accounting {

using platform::Exception;
using platform::TClientDataSet;
using platform::TDataSet;
using platform::Variant;

namespace {

// A dataset opened on a handed-over packet; left closed for Null or Empty (no rows).
std::unique_ptr<TClientDataSet> AbrePacote(const Variant& packet, const std::string& what) {
    auto cds = std::make_unique<TClientDataSet>();
    if (packet.IsNull() || packet.IsEmpty()) return cds;
    try {
        cds->SetData(packet);
    } catch (const Exception& e) {
        throw Exception("Não foi possível ler " + what + ": " + e.Message());
    }
    return cds;
}

bool TemLinhas(const TDataSet& data) {
    return data.Active() && !data.IsEmpty();
}

// Keeps the posted entry's queries open while their rows are copied, and closes them after.
class TQueriesAbertas {
public:
    TQueriesAbertas(host::TADOIBQuery& lanc, host::TADOIBQuery& rateio)
        : lanc_(lanc), rateio_(rateio) {}
    ~TQueriesAbertas() {
        lanc_.Close();
        rateio_.Close();
    }
    TQueriesAbertas(const TQueriesAbertas&) = delete;
    TQueriesAbertas& operator=(const TQueriesAbertas&) = delete;

    void Abre(const std::string& nrLanc, const std::string& empresa) {
        for (host::TADOIBQuery* qry : {&lanc_, &rateio_}) {
            qry->Close();
            qry->ParamByName("P_NRLANCCTB").SetAsString(nrLanc);
            qry->ParamByName("P_CDEMPRESA").SetAsString(empresa);
            qry->Open();
        }
    }

private:
    host::TADOIBQuery& lanc_;
    host::TADOIBQuery& rateio_;
};

// The write-off an entry line comes from, as branch/number: its origin key is the branch
// followed by the ten digits of the number. Empty for a key of another shape.
std::string BaixaDaOrigem(const std::string& origem) {
    constexpr std::size_t kNumero = 10;
    const std::string chave = platform::Trim(origem);
    if (chave.size() <= kNumero) return {};
    return platform::Trim(chave.substr(0, chave.size() - kNumero)) + "/" +
           chave.substr(chave.size() - kNumero);
}

std::string Quantidade(int count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

} // namespace

std::string TLancView::Situacao() const {
    if (origem == TLancOrigem::Efetivado) {
        if (qtLancamentos == 0)
            return "Lançamento contábil " + nrLanc + " não encontrado" +
                   (empresa.empty() ? std::string(".") : " na empresa " + empresa + ".");
        return "Lançamento contábil " + nrLanc +
               " efetivado: " + Quantidade(qtLancamentos, "linha", "linhas") + ".";
    }
    if (simulacao) {
        const std::string aviso = "Simulação: nada foi contabilizado.";
        if (qtErros > 0)
            return aviso + " A contabilização não seria concluída: " +
                   Quantidade(qtErros, "erro", "erros") + ".";
        if (qtLancamentos > 0 || qtRateio > 0) return aviso + " Lançamentos provisórios.";
        return aviso + " Não há lançamentos contábeis para mostrar.";
    }
    if (qtErros > 0)
        return "Lançamentos provisórios. A contabilização não foi concluída: " +
               Quantidade(qtErros, "erro", "erros") + ".";
    if (qtLancamentos > 0 || qtRateio > 0) return "Lançamentos provisórios.";
    return "Não há lançamentos contábeis para mostrar.";
}

std::string TLancView::Totais() const {
    return "Débitos: " + platform::FormatFloat("#,##0.00", debitos) +
           "    Créditos: " + platform::FormatFloat("#,##0.00", creditos);
}

TLancView MontaLancView(const TLancParams& params, host::TADOIBQuery& qryLancCtb,
                        host::TADOIBQuery& qryRateioCtb) {
    TLancView view;
    view.empresa = params.empresa;
    view.simulacao = params.simulacao;

    auto lancamentos = AbrePacote(params.lancamentos, "os lançamentos recebidos");
    auto rateio = AbrePacote(params.rateio, "o rateio recebido");
    auto erros = AbrePacote(params.erros, "os erros recebidos");
    const bool handedRows = TemLinhas(*lancamentos) || TemLinhas(*rateio) || TemLinhas(*erros);

    TDataSet* fonteLanc = lancamentos.get();
    TDataSet* fonteRateio = rateio.get();
    std::string origemLanc = "os lançamentos recebidos";
    std::string origemRateio = "o rateio recebido";
    TQueriesAbertas queries(qryLancCtb, qryRateioCtb);
    if (!params.nrLanc.empty() && !handedRows) {
        view.origem = TLancOrigem::Efetivado;
        view.nrLanc = params.nrLanc;
        queries.Abre(params.nrLanc, params.empresa);
        fonteLanc = &qryLancCtb;
        fonteRateio = &qryRateioCtb;
        origemLanc = "o lançamento contábil " + params.nrLanc;
        origemRateio = "o rateio do lançamento contábil " + params.nrLanc;
    }

    TClientDataSet lancOut, rateioOut, errosOut;
    DefineLancamentos(lancOut);
    DefineRateio(rateioOut);
    DefineErros(errosOut);

    const int debito = lancOut.FieldByName("VRDEBITO")->Index();
    const int credito = lancOut.FieldByName("VRCREDITO")->Index();
    CopiaLinhas(*fonteLanc, lancOut, {"NRSEQCTBTEMP", "CDCONTCTBL", "VRLANCCTBTEMP"}, origemLanc,
                [&](platform::TRowAppender& row, const TDataSet& source) {
                    const platform::TField* valor = source.FieldByName("VRLANCCTBTEMP");
                    if (valor->IsNull()) return;
                    const double amount = valor->AsFloat();
                    if (amount < 0) {
                        row.SetFloat(credito, -amount);
                        view.creditos += -amount;
                    } else {
                        row.SetFloat(debito, amount);
                        view.debitos += amount;
                    }
                });
    CopiaLinhas(*fonteRateio, rateioOut, {"NRSEQCTBTEMP", "CDCENTCUST", "VRLANCCUST"},
                origemRateio);

    // The account and write-off of each entry line, by sequence, for the errors that refer
    // to it.
    struct TLinha {
        std::string conta, baixa;
    };
    std::map<std::string, TLinha> linhas;
    for (lancOut.First(); !lancOut.Eof(); lancOut.Next())
        linhas.emplace(platform::Trim(lancOut.FieldByName("NRSEQCTBTEMP")->AsString()),
                       TLinha{lancOut.FieldByName("CDCONTCTBL")->AsString(),
                              BaixaDaOrigem(lancOut.FieldByName("CDLANCCTBCOME")->AsString())});
    const int descricao = errosOut.FieldByName("DSERRO")->Index();
    const int conta = errosOut.FieldByName("CDCONTCTBL")->Index();
    const int baixa = errosOut.FieldByName("DSBAIXA")->Index();
    CopiaLinhas(*erros, errosOut, {"CDERROTEMP", "NRSEQCTBTEMP"}, "os erros recebidos",
                [&](platform::TRowAppender& row, const TDataSet& source) {
                    row.SetString(descricao,
                                  DescricaoErroCtb(source.FieldByName("CDERROTEMP")->AsString()));
                    auto line =
                        linhas.find(platform::Trim(source.FieldByName("NRSEQCTBTEMP")->AsString()));
                    if (line == linhas.end()) return;
                    if (!line->second.conta.empty()) row.SetString(conta, line->second.conta);
                    if (!line->second.baixa.empty()) row.SetString(baixa, line->second.baixa);
                });

    view.qtLancamentos = lancOut.RecordCount();
    view.qtRateio = rateioOut.RecordCount();
    view.qtErros = errosOut.RecordCount();
    lancOut.First();
    if (!lancOut.IsEmpty()) view.nmEmpresa = lancOut.FieldByName("NMEMPRESA")->AsString();
    view.lancamentos = lancOut.Data();
    view.rateio = rateioOut.Data();
    view.erros = errosOut.Data();
    return view;
}

} // namespace accounting
