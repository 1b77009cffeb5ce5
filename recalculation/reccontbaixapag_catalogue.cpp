// The recalculation screen's message catalogue msgPadrao: every text it shows or sends to the
// server, as "KEY|TEXT" lines in catalogue order.
#include "recalculation/cli_pag00900.h"

namespace recalculation {

const std::vector<std::string>& CatalogoRecContBaixaPag() {
    // Texts are shown as written: the "%s" and "[#CHQ]" placeholders are never filled, and the
    // text of "Hist_Nc" ends with a tab. Every line reaches the server through cdsMsg.
    static const std::vector<std::string> lines = {
        "Excl|Confirma exclusão?",
        "P|Planejada",
        "C|CNAB",
        "E|Real",
        "Emp_Deve|Empresa deve ser informada.",
        "Emp_Nc|Empresa não cadastrada.",
        "ALT_BLOQ|Operação bloqueada. Documento em alteração por outro usuário.",
        "STATUS_INV|A baixa deve ser real para que possa ser feito o recálculo da contabilização.",
        "Hist_Nc|Histórico padrão para integração contábil não cadastrado\t",
        "Hist_Conta|Cheque: [#CHQ]",
        "LANCCTB_INV|Não é possível baixar a conta com erros de contabilização.",
        "1|Cheque Automático",
        "2|Cheque Manual",
        "3|Doc. (CNAB)",
        "4|Dinheiro",
        "5|Débito Automático",
        "6|Crédito em Conta (CNAB)",
        "7|Boleto Bancário (CNAB)",
        "BOLT_ALT|O boleto (%s - %s - %s) foi excluído ou associado a outro boleto por outro "
        "usuário.",
        "VRBOL_DIF|Valor da conta do boleto (%s - %s - %s) foi alterado por outro usuário.",
        "CNT_PROR|A conta do boleto (%s - %s - %s) foi prorrogada por outro usuário.",
        "CNT_PREV|Tipo do documento do boleto (%s - %s - %s) foi alterado por outro usuário. Conta "
        "de "
        "documento previsto não pode ser baixada.",
        "BOLBAIXAD|O boleto (%s - %s - %s) foi baixado por outro usuário.",
        "DESMARCA_BAIXA|Deseja desmarcar todas as baixas?",
        "MARCA_BAIXA|Deseja marcar todas as baixas?",
        "RecCont_suc|O Recálculo da Contabilização da Baixa foi realizado com sucesso.",
        "PGTO|Pagto",
        "N_TP_BAIXA|Tipo de baixa parametrizado para não gerar contabilização.",
        "BOL_ALT|O boleto (%s - %s - %s) foi excluído ou associado a outro boleto por outro "
        "usuário.",
        "Emp_nr|Empresa não relacionada ao operador logado.",
    };
    return lines;
}

void TfrmRecContBaixaPag::DesignCatalogue() {
    msgPadrao->SetLines(CatalogoRecContBaixaPag());
}

} // namespace recalculation
