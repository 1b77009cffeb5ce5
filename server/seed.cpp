// Data sets the server can load: the demonstration data and bulk write-offs for benchmarks.
#include "server/seed.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "server/counters.h"
#include "server/entrybuilder.h"
#include "server/jsonrows.h"
#include "server/passwords.h"
#include "server/recalculation.h"
#include "server/schema.h"
#include "server/sqlfragments.h"

namespace server {

using platform::TDateTime;
using platform::TSqlConnection;
using platform::Variant;

namespace {

// A small deterministic generator (xorshift64*), the same numbers on every platform.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : state_(seed ? seed : 1) {}
    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    /// 0 <= value < bound.
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }
    /// An amount in cents between the bounds.
    double Amount(double low, double high) {
        const auto cents = static_cast<std::uint64_t>(std::llround((high - low) * 100));
        return low + static_cast<double>(Next() % (cents + 1)) / 100.0;
    }

private:
    std::uint64_t state_;
};

double Cents(double value) {
    return std::round(value * 100.0) / 100.0;
}

// Check digits of Brazilian tax ids, so that the demo's ids are valid ones.
std::string WithCheckDigits(std::string base, std::initializer_list<int> first,
                            std::initializer_list<int> second) {
    for (const auto& weights : {first, second}) {
        int sum = 0, i = 0;
        for (int w : weights) sum += (base[static_cast<std::size_t>(i++)] - '0') * w;
        const int rest = sum % 11;
        base += static_cast<char>('0' + (rest < 2 ? 0 : 11 - rest));
    }
    return base;
}
std::string Cnpj(const std::string& base12) {
    return WithCheckDigits(base12, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2},
                           {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
}
std::string Cpf(const std::string& base9) {
    return WithCheckDigits(base9, {10, 9, 8, 7, 6, 5, 4, 3, 2}, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
}

std::string DateText(TDateTime value) {
    return platform::FormatSqlDate(value);
}

// One INSERT of a reference row, every value bound.
void Insert(TSqlConnection& db, const std::string& table,
            std::initializer_list<std::pair<const char*, Variant>> values) {
    std::string columns, placeholders;
    platform::TSqlParams params;
    for (const auto& [name, value] : values) {
        if (!columns.empty()) columns += ", ", placeholders += ", ";
        columns += name;
        placeholders += std::string(":") + name;
        params.Set(name, value);
    }
    db.Execute("INSERT INTO " + table + " (" + columns + ") VALUES (" + placeholders + ")", params);
}

// Rows bound as one JSON parameter and inserted by one statement.
struct TColumn {
    const char* name;
    char kind; // T text, N number, D date, S date and time
};

void InsertRows(TSqlConnection& db, const std::string& table, const std::vector<TColumn>& columns,
                TJsonRows& rows) {
    if (rows.RowCount() == 0) return;
    const TSqlFragments sql(db.Kind());
    std::string names, values;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int n = static_cast<int>(i);
        if (i) names += ", ", values += ", ";
        names += columns[i].name;
        switch (columns[i].kind) {
        case 'N': values += sql.ElementDouble("K", n); break;
        case 'D': values += sql.ElementDate("K", n); break;
        case 'S': values += sql.ElementTimestamp("K", n); break;
        default: values += sql.Element("K", n); break;
        }
    }
    db.Execute("INSERT INTO " + table + " (" + names + ") SELECT " + values + " FROM " +
                   sql.JsonRows("ROWS", "K"),
               {{"ROWS", rows.Take()}});
}

const std::vector<TColumn> kWriteOffColumns = {
    {"CDFILIAL", 'T'},        {"NRBAIXAPAG", 'T'},   {"CDEMPRESA", 'T'},    {"NRMOVBANC", 'T'},
    {"CDREDUCONT", 'T'},      {"NRCHEQUE", 'T'},     {"DTBAIXAPAG", 'D'},   {"VRBAIXAPAG", 'N'},
    {"DSNOMCHEQUE", 'T'},     {"IDSTEMICHEQ", 'T'},  {"IDSTATUSBPAG", 'T'}, {"CDOPERADOR", 'T'},
    {"DSBAIXAPAG", 'T'},      {"CDTPBAIXAPAG", 'T'}, {"IDCTBLBXPAG", 'T'},  {"DTLANCBAIXAP", 'S'},
    {"IDPARTIDABOLPAG", 'T'},
};
const std::vector<TColumn> kPayableColumns = {
    {"CDFILIAL", 'T'},    {"NRCTPAGAR", 'T'},   {"CDEMPRESA", 'T'}, {"CDFORNECED", 'T'},
    {"CDTPCTPAGAR", 'T'}, {"NRDOCUMENTO", 'T'}, {"DTEMISSAO", 'D'}, {"DTVENCIMENTO", 'D'},
    {"VRORIGINAL", 'N'},  {"VRLIQUIDO", 'N'},
};
const std::vector<TColumn> kItemColumns = {
    {"CDFILIAL", 'T'}, {"NRBAIXAPAG", 'T'}, {"CDFILICTPAG", 'T'}, {"NRCTPAGAR", 'T'},
    {"VRPAGO", 'N'},   {"CDFILIBOL", 'T'},  {"NRLANBOLPAG", 'T'},
};
const std::vector<TColumn> kBoletoColumns = {
    {"CDFILIAL", 'T'}, {"NRLANBOLPAG", 'T'}, {"CDFORNECED", 'T'},  {"DTVENBOLPAG", 'D'},
    {"VRBOLPAG", 'N'}, {"VRFINALBPAG", 'N'}, {"CDFILICTPAG", 'T'}, {"NRCTPAGAR", 'T'},
};

struct TSupplier {
    const char* code;
    const char* name;
    const char* tradeName;
};
const TSupplier kSuppliers[] = {
    {"000001", "Distribuidora Alfa Ltda", "Alfa Distribuidora"},
    {"000002", "Papelaria Central Ltda", "Papelaria Central"},
    {"000003", "Energia Paulista S.A.", "Energia Paulista"},
    {"000004", "Transportadora Veloz Ltda", "Veloz Transportes"},
    {"000005", "Gráfica Impressão Rápida Ltda", "Impressão Rápida"},
    {"000006", "Telecom Horizonte S.A.", "Horizonte Telecom"},
    {"000007", "José da Silva", "José Eletricista"},
    {"000008", "Ana Paula Ferreira", "Ana Paula Consultoria"},
    {"000009", "Roberto Carlos Mendes", "Roberto Mendes"},
    {"000010", "Marcos Antônio Ribeiro", "Marcos Ribeiro"},
};
constexpr int kSupplierCount = sizeof(kSuppliers) / sizeof(kSuppliers[0]);

struct TWriteOffType {
    const char* code;
    const char* name;
};
const TWriteOffType kTypes[] = {
    {"01", "Cheque"},          {"02", "Transferência Bancária"},
    {"03", "Boleto Bancário"}, {"04", "Débito Automático"},
    {"05", "Dinheiro"},
};

void SeedReference(TSqlConnection& db) {
    for (auto [code, name] : {std::pair{"0101", "Administração"}, std::pair{"0102", "Financeiro"},
                              std::pair{"0103", "Comercial"}, std::pair{"0201", "Produção"},
                              std::pair{"0301", "Operações"}})
        Insert(db, "CENTCUST", {{"CDCENTCUST", code}, {"NMCENTCUST", name}});
    Insert(
        db, "EMPRESA",
        {{"CDEMPRESA", "01"}, {"NMEMPRESA", "Comercial Boa Vista Ltda"}, {"CDCENTCUST", "0101"}});
    Insert(db, "EMPRESA",
           {{"CDEMPRESA", "02"},
            {"NMEMPRESA", "Metalúrgica Santa Rita S.A."},
            {"CDCENTCUST", "0201"}});
    Insert(
        db, "EMPRESA",
        {{"CDEMPRESA", "03"}, {"NMEMPRESA", "Transportes Rio Claro Ltda"}, {"CDCENTCUST", "0301"}});
    Insert(db, "FILIAL",
           {{"CDFILIAL", "0001"},
            {"NMFILIAL", "Matriz São Paulo"},
            {"CDEMPRESA", "01"},
            {"CDCENTCUST", "0102"}});
    Insert(db, "FILIAL",
           {{"CDFILIAL", "0002"},
            {"NMFILIAL", "Filial Campinas"},
            {"CDEMPRESA", "01"},
            {"CDCENTCUST", "0103"}});
    Insert(db, "FILIAL",
           {{"CDFILIAL", "0201"},
            {"NMFILIAL", "Fábrica Sorocaba"},
            {"CDEMPRESA", "02"},
            {"CDCENTCUST", "0201"}});
    Insert(db, "FILIAL",
           {{"CDFILIAL", "0301"},
            {"NMFILIAL", "Base Jundiaí"},
            {"CDEMPRESA", "03"},
            {"CDCENTCUST", "0301"}});

    // Every demo operator logs in with kDemoPassword.
    for (auto [code, name] :
         {std::pair{kDemoOperator, "Operador de Demonstração"},
          std::pair{kDemoHeldBy, "Maria Aparecida Souza"}, std::pair{"JOAO", "João Pedro Almeida"},
          std::pair{"CARLOS", "Carlos Eduardo Lima"}})
        Insert(db, "OPERADOR",
               {{"CDOPERADOR", code}, {"NMOPERADOR", name}, {"DSSENHAHASH", DemoPasswordHash()}});
    for (auto [op, company] :
         {std::pair{kDemoOperator, "01"}, std::pair{kDemoOperator, "02"},
          std::pair{kDemoHeldBy, "01"}, std::pair{kDemoHeldBy, "02"}, std::pair{kDemoHeldBy, "03"},
          std::pair{"JOAO", "01"}, std::pair{"JOAO", "03"}, std::pair{"CARLOS", "03"}})
        Insert(db, "OPEREMPR", {{"CDOPERADOR", op}, {"CDEMPRESA", company}});

    // Companies' tax ids (CNPJ, 14 digits) and people's (CPF, 11 digits), digits only.
    const std::string taxIds[] = {
        Cnpj("112223330001"), Cnpj("445556660001"),
        Cnpj("778889990001"), Cnpj("123456780001"),
        Cnpj("876543210001"), Cnpj("246813570001"),
        Cpf("123456789"),     Cpf("987654321"),
        Cpf("456789123"),     "",
    };
    for (int i = 0; i < kSupplierCount; ++i) {
        const bool person = i >= 6;
        Insert(db, "FORNECEDOR",
               {{"CDFORNECED", kSuppliers[i].code},
                {"NMFANTFORN", kSuppliers[i].tradeName},
                {"NMRAZSOCFORN", kSuppliers[i].name},
                {"IDTPIJURFORN", person ? "F" : "J"},
                {"NRINSJURFORN", taxIds[i].empty() ? Variant::Null() : Variant(taxIds[i])}});
    }
    for (const TWriteOffType& t : kTypes)
        Insert(db, "TIPOBAIXAPAG",
               {{"CDTPBAIXAPAG", t.code},
                {"NMTPBAIXAPAG", t.name},
                {"IDBAIXAUTILP", std::string(t.code) == "03" ? "S" : "N"}});

    // Agency and account pictures in the edit-mask notation ('9' a digit, '-' and '.' literals).
    // Every demo account fills its bank's pictures (CDCONTCORR holds at most 10 characters).
    Insert(db, "BANCO",
           {{"CDBANCO", "001"},
            {"NMBANCO", "Banco do Brasil S.A."},
            {"CDPICTAGEN", "9999-9"},
            {"CDPICTCONT", "99999999-9"}});
    Insert(db, "BANCO",
           {{"CDBANCO", "237"},
            {"NMBANCO", "Banco Bradesco S.A."},
            {"CDPICTAGEN", "9999-9"},
            {"CDPICTCONT", "999999-9"}});
    Insert(db, "BANCO",
           {{"CDBANCO", "341"},
            {"NMBANCO", "Itaú Unibanco S.A."},
            {"CDPICTAGEN", "9999"},
            {"CDPICTCONT", "99999-9"}});
    Insert(db, "BANCO",
           {{"CDBANCO", "104"},
            {"NMBANCO", "Caixa Econômica Federal"},
            {"CDPICTAGEN", "9999"},
            {"CDPICTCONT", "999.999999-9"}});
    Insert(db, "CONTCORR",
           {{"CDREDUCONT", "001"},
            {"CDEMPRESA", "01"},
            {"CDBANCO", "001"},
            {"CDAGENCIA", "12345"},
            {"CDCONTCORR", "123456789"},
            {"DSCONTCORR", "BB Movimento"},
            {"CDCONTCTBL", "1.1.1.02.001"}});
    Insert(db, "CONTCORR",
           {{"CDREDUCONT", "002"},
            {"CDEMPRESA", "01"},
            {"CDBANCO", "341"},
            {"CDAGENCIA", "0912"},
            {"CDCONTCORR", "456789"},
            {"DSCONTCORR", "Itaú Pagamentos"},
            {"CDCONTCTBL", "1.1.1.02.002"}});
    Insert(db, "CONTCORR",
           {{"CDREDUCONT", "003"},
            {"CDEMPRESA", "01"},
            {"CDBANCO", "237"},
            {"CDAGENCIA", "34567"},
            {"CDCONTCORR", "7654321"},
            {"DSCONTCORR", "Bradesco Cobrança"},
            {"CDCONTCTBL", Variant::Null()}});
    Insert(db, "CONTCORR",
           {{"CDREDUCONT", "004"},
            {"CDEMPRESA", "02"},
            {"CDBANCO", "001"},
            {"CDAGENCIA", "23456"},
            {"CDCONTCORR", "987654321"},
            {"DSCONTCORR", "BB Fábrica"},
            {"CDCONTCTBL", "1.1.1.02.001"}});
    Insert(db, "CONTCORR",
           {{"CDREDUCONT", "005"},
            {"CDEMPRESA", "03"},
            {"CDBANCO", "104"},
            {"CDAGENCIA", "1234"},
            {"CDCONTCORR", "1234567890"},
            {"DSCONTCORR", "Caixa Operações"},
            {"CDCONTCTBL", "1.1.1.02.003"}});

    Insert(db, "TIPOCTPAGAR",
           {{"CDTPCTPAGAR", "DUP"},
            {"DSTPCTPAGAR", "Duplicata"},
            {"CDCONTCTBL", "2.1.1.01.001"},
            {"IDDOCPREVISTO", "N"}});
    Insert(db, "TIPOCTPAGAR",
           {{"CDTPCTPAGAR", "NFS"},
            {"DSTPCTPAGAR", "Nota Fiscal de Serviço"},
            {"CDCONTCTBL", "2.1.1.01.001"},
            {"IDDOCPREVISTO", "N"}});
    Insert(db, "TIPOCTPAGAR",
           {{"CDTPCTPAGAR", "ALU"},
            {"DSTPCTPAGAR", "Aluguel"},
            {"CDCONTCTBL", "2.1.1.03.001"},
            {"IDDOCPREVISTO", "N"}});
    Insert(db, "TIPOCTPAGAR",
           {{"CDTPCTPAGAR", "IMP"},
            {"DSTPCTPAGAR", "Impostos e Taxas"},
            {"CDCONTCTBL", "2.1.2.01.001"},
            {"IDDOCPREVISTO", "N"}});
    Insert(db, "TIPOCTPAGAR",
           {{"CDTPCTPAGAR", "PREV"},
            {"DSTPCTPAGAR", "Documento Previsto"},
            {"CDCONTCTBL", "2.1.1.01.001"},
            {"IDDOCPREVISTO", "S"}});

    struct TAccount {
        const char *code, *reduced, *name, *analytic, *apportioned;
    };
    const TAccount chart[] = {
        {"1.1.1.02", "1102", "Bancos Conta Movimento", "N", "N"},
        {"1.1.1.02.001", "11021", "Banco do Brasil", "S", "N"},
        {"1.1.1.02.002", "11022", "Banco Itaú", "S", "N"},
        {"1.1.1.02.003", "11023", "Caixa Econômica Federal", "S", "N"},
        {"2.1.1.01.001", "21101", "Fornecedores Nacionais", "S", "S"},
        {"2.1.1.03.001", "21131", "Aluguéis a Pagar", "S", "S"},
        {"2.1.2.01.001", "21201", "Impostos a Recolher", "S", "N"},
    };
    for (const char* company : {"01", "02", "03"})
        for (const TAccount& a : chart)
            Insert(db, "PLANOCONTA",
                   {{"CDEMPRESA", company},
                    {"CDCONTCTBL", a.code},
                    {"CDCONTREDU", a.reduced},
                    {"NMCONTCTBL", a.name},
                    {"IDCONTANALIT", a.analytic},
                    {"IDRATEIO", a.apportioned}});
    Insert(db, "HISTPADRAO", {{"CDHISTPADR", "0010"}, {"DSHISTPADR", "ref. baixa de título"}});
    // Company "02" has no standard history for write-offs on purpose.
    Insert(db, "HISTINTEGRA",
           {{"CDEMPRESA", "01"}, {"IDTPINTEGRA", kWriteOffIntegration}, {"CDHISTPADR", "0010"}});
    Insert(db, "HISTINTEGRA",
           {{"CDEMPRESA", "03"}, {"IDTPINTEGRA", kWriteOffIntegration}, {"CDHISTPADR", "0010"}});
}

// Builds write-offs with their payables, items and boletos as JSON rows.
class TWriteOffRows {
public:
    TJsonRows writeOffs, payables, items, boletos;

    struct TSpec {
        std::string branch, number, company, bankAccount, type, status, operatorCode;
        TDateTime paidOn = 0;
        double amount = 0;
        int supplier = 0;
        int payableCount = 1;
        std::string payableType = "DUP";
        int enteredMinutes = 0;
        // Boleto: 0 none, 1 matching, 2 deleted, 3 amount changed, 4 extended.
        int boleto = 0;
    };

    void Add(const TSpec& s, TRandom& random) {
        const TSupplier& supplier = kSuppliers[s.supplier];
        const bool cheque = s.type == "01";
        const std::string movement = "M" + ZeroPadded(++movements_, 9);
        writeOffs.BeginRow();
        writeOffs.Text(s.branch);
        writeOffs.Text(s.number);
        writeOffs.Text(s.company);
        writeOffs.Text(movement);
        writeOffs.Text(s.bankAccount);
        writeOffs.TextOrNull(cheque ? ZeroPadded(100000 + random.Below(899999), 6) : "");
        writeOffs.Text(DateText(s.paidOn));
        writeOffs.Number(s.amount);
        writeOffs.TextOrNull(cheque ? supplier.name : "");
        writeOffs.TextOrNull(cheque ? "S" : "");
        writeOffs.Text(s.status);
        writeOffs.Text(s.operatorCode);
        writeOffs.Text(std::string("Pagamento a ") + supplier.tradeName);
        writeOffs.Text(s.type);
        writeOffs.Text("N");
        writeOffs.Text(
            platform::FormatSqlDate(s.paidOn + (8 * 60 + s.enteredMinutes % 600) / 1440.0));
        writeOffs.Text(s.boleto ? "S" : "N");

        double left = s.amount;
        for (int p = 0; p < s.payableCount; ++p) {
            const double paid = p + 1 == s.payableCount ? Cents(left) : Cents(s.amount * 0.6);
            left -= paid;
            const std::string payable = "C" + ZeroPadded(++payables_, 9);
            const std::string origin = random.Below(5) == 0 && s.company == "01"
                                           ? (s.branch == "0001" ? "0002" : "0001")
                                           : s.branch;
            const TDateTime due = s.paidOn - random.Below(10) + 3;
            const double original = Cents(paid * (1.0 + random.Below(6) / 100.0));
            payables.BeginRow();
            payables.Text(origin);
            payables.Text(payable);
            payables.Text(s.company);
            payables.Text(kSuppliers[(s.supplier + p) % kSupplierCount].code);
            payables.Text(s.payableType);
            payables.Text(ZeroPadded(1 + random.Below(9999998), 7));
            payables.Text(DateText(due - 30));
            payables.Text(DateText(due));
            payables.Number(original);
            payables.Number(paid);

            std::string boleto;
            if (s.boleto && p == 0) {
                boleto = "L" + ZeroPadded(++boletos_, 9);
                if (s.boleto != 2) { // a deleted boleto has no row any more
                    boletos.BeginRow();
                    boletos.Text(s.branch);
                    boletos.Text(boleto);
                    boletos.Text(supplier.code);
                    boletos.Text(DateText(s.boleto == 4 ? due - 5 : due));
                    boletos.Number(paid);
                    boletos.Number(s.boleto == 3 ? Cents(paid + 15.30) : paid);
                    boletos.Text(origin);
                    boletos.Text(payable);
                }
            }
            items.BeginRow();
            items.Text(s.branch);
            items.Text(s.number);
            items.Text(origin);
            items.Text(payable);
            items.Number(paid);
            items.TextOrNull(boleto.empty() ? "" : s.branch);
            items.TextOrNull(boleto);
        }
    }

    void Insert(TSqlConnection& db) {
        InsertRows(db, "BAIXAPAG", kWriteOffColumns, writeOffs);
        InsertRows(db, "CONTAPAGAR", kPayableColumns, payables);
        InsertRows(db, "ITBAIXAPAG", kItemColumns, items);
        InsertRows(db, "BOLETPAGAR", kBoletoColumns, boletos);
    }

    void StartNumbersAt(long long movement, long long payable, long long boleto) {
        movements_ = movement;
        payables_ = payable;
        boletos_ = boleto;
    }

private:
    long long movements_ = 0;
    long long payables_ = 0;
    long long boletos_ = 0;
};

// Posts the entries of write-offs through the recalculation itself.
void Account(TSqlConnection& db, const std::string& company, const std::string& branch,
             const std::string& operatorCode, const std::vector<TWriteOffRows::TSpec>& specs) {
    if (specs.empty()) return;
    TRunRequest request;
    request.company = company;
    request.branch = branch;
    request.operatorCode = operatorCode;
    request.listNumber = NextListNumber(db);
    request.paymentText = "Pagto";
    request.chequeHistory = "Cheque: [#CHQ]";
    request.audited = false; // the demo's own history, not an operator's run
    for (const auto& s : specs)
        request.rows.push_back({s.branch, s.number, s.company, true, s.status, "N", "", s.amount});
    bool posted = false;
    TRunOutcome outcome = RunRecalculation(db, request, TRunOptions{}, posted);
    if (!posted)
        throw platform::Exception(
            "Os dados de demonstração não puderam ser contabilizados (empresa " + company + ").");
}

} // namespace

void SeedDemo(TSqlConnection& db, TDateTime today) {
    today = std::floor(today);
    TRandom random(20240101);
    TWriteOffRows rows;
    std::vector<TWriteOffRows::TSpec> accounted01, accounted03;
    const char* const operators[] = {kDemoOperator, kDemoHeldBy, "JOAO"};

    // Company "01", paid today: forty write-offs with their roles.
    for (int i = 0; i < 40; ++i) {
        TWriteOffRows::TSpec s;
        s.branch = i < 30 ? "0001" : "0002";
        s.number = ZeroPadded(i + 1, 10);
        s.company = "01";
        s.paidOn = today;
        s.status = i % 8 == 5 ? "P" : i % 8 == 6 ? "C" : "E";
        s.bankAccount = i % 2 == 0 ? "001" : "002";
        s.type = kTypes[i % 5].code;
        s.amount = random.Amount(50, 15000);
        s.supplier = random.Below(kSupplierCount);
        s.payableCount = i % 7 == 4 ? 2 : 1;
        s.payableType = i % 9 == 8 ? "ALU" : i % 11 == 7 ? "IMP" : "DUP";
        s.operatorCode = operators[i % 3];
        s.enteredMinutes = i * 11;
        bool special = true;
        switch (i) {
        case 1: break;                        // held by another user (BLOQDOCU below)
        case 2: s.bankAccount = "003"; break; // bank account without accounting account
        case 9: s.boleto = 2; break;          // BOL_ALT
        case 10: s.boleto = 3; break;         // VRBOL_DIF
        case 11: s.boleto = 4; break;         // CNT_PROR
        case 12: s.boleto = 1, s.payableType = "PREV"; break; // CNT_PREV
        case 15:
        case 16: s.boleto = 1, special = false; break;
        default: special = false; break;
        }
        if (s.boleto) s.type = "03", s.payableCount = 1;
        rows.Add(s, random);
        if (!special && s.status == "E" && i % 3 == 0) accounted01.push_back(s);
    }
    // Company "01": older write-offs over the last four months, and planned ones ahead.
    for (int k = 0; k < 60; ++k) {
        TWriteOffRows::TSpec s;
        s.branch = k % 2 == 0 ? "0001" : "0002";
        s.number = ZeroPadded(41 + k, 10);
        s.company = "01";
        s.paidOn = today - (1 + 2 * k);
        s.status = k % 10 == 7 ? "C" : "E";
        s.bankAccount = k % 3 == 0 ? "002" : "001";
        s.type = kTypes[(k + 1) % 5].code;
        s.amount = random.Amount(20, 30000);
        s.supplier = random.Below(kSupplierCount);
        s.payableType = k % 6 == 5 ? "NFS" : "DUP";
        s.operatorCode = operators[k % 3];
        s.enteredMinutes = k * 7;
        rows.Add(s, random);
        if (s.status == "E" && k % 2 == 0) accounted01.push_back(s);
    }
    for (int k = 0; k < 5; ++k) {
        TWriteOffRows::TSpec s;
        s.branch = "0001";
        s.number = ZeroPadded(101 + k, 10);
        s.company = "01";
        s.paidOn = today + 2 * (k + 1);
        s.status = "P";
        s.bankAccount = "001";
        s.type = "02";
        s.amount = random.Amount(100, 5000);
        s.supplier = random.Below(kSupplierCount);
        s.operatorCode = kDemoOperator;
        rows.Add(s, random);
    }
    // Company "02" (no standard history) and company "03" (not the demo operator's).
    for (int k = 0; k < 6; ++k) {
        TWriteOffRows::TSpec s;
        s.branch = "0201";
        s.number = ZeroPadded(201 + k, 10);
        s.company = "02";
        s.paidOn = today - (k >= 4 ? 7 : 0);
        s.status = "E";
        s.bankAccount = "004";
        s.type = kTypes[k % 5].code;
        s.amount = random.Amount(500, 50000);
        s.supplier = random.Below(kSupplierCount);
        s.operatorCode = kDemoHeldBy;
        rows.Add(s, random);
    }
    for (int k = 0; k < 5; ++k) {
        TWriteOffRows::TSpec s;
        s.branch = "0301";
        s.number = ZeroPadded(301 + k, 10);
        s.company = "03";
        s.paidOn = today;
        s.status = "E";
        s.bankAccount = "005";
        s.type = "02";
        s.amount = random.Amount(200, 8000);
        s.supplier = random.Below(kSupplierCount);
        s.operatorCode = "CARLOS";
        rows.Add(s, random);
        if (k < 2) accounted03.push_back(s);
    }

    {
        platform::TSqlTransaction transaction(db);
        ClearData(db);
        SeedReference(db);
        rows.Insert(db);
        transaction.Commit();
    }
    Account(db, "01", kDemoBranch, kDemoOperator, accounted01);
    Account(db, "03", "0301", "CARLOS", accounted03);
    platform::TSqlTransaction transaction(db);
    Insert(db, "BLOQDOCU",
           {{"IDTPDOCU", kWriteOffDocument},
            {"CDFILIAL", kDemoBranch},
            {"NRDOCUMENTO", kDemoHeldWriteOff},
            {"CDOPERADOR", kDemoHeldBy},
            {"DTBLOQUEIO", Variant::FromDate(today + 9.5 / 24)}});
    // After the postings above: company 01's accounting closed up to kDemoClosedDays ago, so
    // that its oldest write-offs fall in the closed period.
    Insert(db, "FECHACTB",
           {{"CDEMPRESA", kDemoCompany},
            {"DTFECHAMENTO", Variant::FromDate(today - kDemoClosedDays)}});
    transaction.Commit();
}

void SeedBulk(TSqlConnection& db, int count, TDateTime today) {
    if (count <= 0) return;
    today = std::floor(today);
    if (db.SelectValue("SELECT COUNT(*) FROM EMPRESA WHERE CDEMPRESA = '01'").AsInteger() == 0)
        SeedDemo(db, today);
    // Demo data from before passwords existed: its operators get the demo password; a password
    // set since is kept.
    db.Execute("UPDATE OPERADOR SET DSSENHAHASH = :H WHERE DSSENHAHASH IS NULL AND CDOPERADOR IN"
               " (:A, :B, 'JOAO', 'CARLOS')",
               {{"H", DemoPasswordHash()},
                {"A", std::string(kDemoOperator)},
                {"B", std::string(kDemoHeldBy)}});
    const long long already =
        db.SelectValue("SELECT COUNT(*) FROM BAIXAPAG WHERE NRBAIXAPAG LIKE 'B%'").AsInteger();
    TRandom random(static_cast<std::uint64_t>(already) * 7919 + 17);
    const char* const operators[] = {kDemoOperator, kDemoHeldBy, "JOAO"};
    constexpr int kChunk = 20000;

    platform::TSqlTransaction transaction(db);
    for (int start = 0; start < count; start += kChunk) {
        TWriteOffRows rows;
        // Bulk movements and payables are numbered from 500000000 on, apart from the demo's.
        rows.StartNumbersAt(500'000'000LL + already + start, 500'000'000LL + already + start, 0);
        const int end = std::min(count, start + kChunk);
        for (int n = start; n < end; ++n) {
            const long long serial = already + n + 1;
            TWriteOffRows::TSpec s;
            s.branch = serial % 2 ? "0001" : "0002";
            s.number = "B" + ZeroPadded(serial, 9);
            s.company = "01";
            s.paidOn = today - static_cast<double>(serial % 1000);
            const int roll = random.Below(20);
            s.status = roll == 0 ? "P" : roll == 1 ? "C" : "E";
            s.bankAccount = random.Below(3) == 0 ? "002" : "001";
            s.type = kTypes[1 + random.Below(4)].code;
            s.amount = random.Amount(10, 20000);
            s.supplier = random.Below(kSupplierCount);
            s.payableType = random.Below(8) == 0 ? "NFS" : "DUP";
            s.operatorCode = operators[random.Below(3)];
            s.enteredMinutes = random.Below(600);
            rows.Add(s, random);
        }
        rows.Insert(db);
    }
    transaction.Commit();
}

} // namespace server
