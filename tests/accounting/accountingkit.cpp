// Shared data of the accounting screen's tests.
#include "accountingkit.h"

#include "platform/datetime.h"
#include "server/schema.h"

namespace accountingtest {

using platform::Variant;

server::TRunOutcome OutcomeWithErrors() {
    server::TRunOutcome o;
    const platform::TDateTime day = platform::EncodeDate(2024, 3, 15);
    auto line = [&](const char* number, const char* seq, const char* account, const char* reduced,
                    const char* name, double amount) {
        server::TEntryLine l;
        l.company = "01";
        l.companyName = "Empresa Um";
        l.entryNumber = number;
        l.sequence = seq;
        l.branch = "0001";
        l.account = account;
        l.reducedAccount = reduced;
        l.accountName = name;
        l.historyCode = "0001";
        l.history = "Pagto 0001/0000000003";
        l.date = day;
        l.amount = amount;
        l.originKind = "P";
        l.originKey = "00010000000003";
        o.entries.push_back(l);
    };
    line("000000000031", "00001", "2.1.01", "211", "Fornecedores", 150.0);
    line("000000000031", "00002", "", "", "", -150.0);
    line("000000000032", "00003", "2.1", "21", "Passivo Circulante", 20.0);
    server::TApportionment a;
    a.company = "01";
    a.entryNumber = "000000000031";
    a.sequence = "00001";
    a.apportionmentSequence = "00001";
    a.branch = "0001";
    a.branchName = "Matriz";
    a.costCentre = "0010";
    a.costCentreName = "Administração";
    a.amount = 150.0;
    a.date = day;
    o.apportionments.push_back(a);
    o.errors = {{"001", "00002"}, {"003", "00003"}, {"099", "00003"}};
    return o;
}

Variant Params(const std::string& company, const std::string& number,
               const server::TRunOutcome& outcome) {
    Variant payload = server::RunPayload(outcome);
    Variant params = platform::VarArrayCreate({0, 4});
    params[0] = company;
    params[1] = number;
    params[2] = payload[1];
    params[3] = payload[2];
    params[4] = payload[3];
    return params;
}

Variant ParamsWithoutData(const std::string& company, const std::string& number) {
    Variant params = platform::VarArrayCreate({0, 4});
    params[0] = company;
    params[1] = number;
    params[2] = Variant::Null();
    params[3] = Variant::Null();
    params[4] = Variant::Null();
    return params;
}

void LoadPostedEntry(platform::TSqlConnection& db) {
    server::EnsureSchema(db);
    db.ExecuteScript(R"SQL(
INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA, CDCENTCUST) VALUES ('01', 'Empresa Um', '0010');
INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA, CDCENTCUST) VALUES ('02', 'Empresa Dois', '0010');
INSERT INTO CENTCUST (CDCENTCUST, NMCENTCUST) VALUES ('0010', 'Administração');
INSERT INTO FILIAL (CDFILIAL, NMFILIAL, CDEMPRESA, CDCENTCUST) VALUES ('0001', 'Matriz', '01', '0010');
INSERT INTO PLANOCONTA (CDEMPRESA, CDCONTCTBL, CDCONTREDU, NMCONTCTBL, IDCONTANALIT, IDRATEIO)
  VALUES ('01', '1.1.01', '101', 'Fornecedores', 'S', 'S');
INSERT INTO PLANOCONTA (CDEMPRESA, CDCONTCTBL, CDCONTREDU, NMCONTCTBL, IDCONTANALIT, IDRATEIO)
  VALUES ('01', '1.2.01', '120', 'Banco Conta Movimento', 'S', 'N');
INSERT INTO LANCCTB (NRLANCCTB, NRSEQCTB, CDEMPRESA, CDFILIAL, CDCONTCTBL, CDHISTPADR, DSHISTCTB,
  DTLANCCTB, VRLANCCTB, IDLANCCTBCOME, CDLANCCTBCOME, CDDOCUCONT)
  VALUES ('000000000012', '000002', '01', '0001', '1.2.01', '0001', 'Pagto 0001/0000000001',
  '2024-03-15', -100.0, 'P', '00010000000001', 'MOV1');
INSERT INTO LANCCTB (NRLANCCTB, NRSEQCTB, CDEMPRESA, CDFILIAL, CDCONTCTBL, CDHISTPADR, DSHISTCTB,
  DTLANCCTB, VRLANCCTB, IDLANCCTBCOME, CDLANCCTBCOME, CDDOCUCONT)
  VALUES ('000000000012', '000001', '01', '0001', '1.1.01', '0001', 'Pagto doc. 123',
  '2024-03-15', 100.0, 'P', '00010000000001', '123');
INSERT INTO RATEIOCTB (NRLANCCTB, NRSEQCTB, NRSEQRAT, CDEMPRESA, CDFILIAL, CDCENTCUST, VRLANCCUST,
  DTCOMPCTB) VALUES ('000000000012', '000001', '00001', '01', '0001', '0010', 100.0, '2024-03-15');
)SQL");
}

} // namespace accountingtest
