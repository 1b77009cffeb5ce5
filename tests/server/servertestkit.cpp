// Helpers shared by the server's tests: the client's side of the calls and known write-offs.
#include "servertestkit.h"

#include <map>
#include <mutex>

#include "protocol/filtroargs.h"
#include "server/passwords.h"
#include "server/schema.h"

namespace servertest {

using platform::TClientDataSet;
using platform::Variant;

namespace {

std::mutex tokensMutex;
std::map<std::string, std::string> tokens; // "operator@host:port" -> token; guarded

std::string FreshToken(platform::TNetConnection& net, const std::string& key,
                       const std::string& operatorCode) {
    platform::TNetConnection login;
    login.SetServerName(net.ServerName());
    login.SetHost(net.Host());
    login.SetPort(net.Port());
    login.SetUseTls(net.UseTls());
    login.SetCaFile(net.CaFile());
    std::string token = login.Login(operatorCode, server::kDemoPassword);
    std::lock_guard lock(tokensMutex);
    tokens[key] = token;
    return token;
}

} // namespace

void LogIn(platform::TNetConnection& net, const std::string& operatorCode) {
    const std::string key = operatorCode + "@" + net.Host() + ":" + std::to_string(net.Port());
    std::string token;
    {
        std::lock_guard lock(tokensMutex);
        if (auto it = tokens.find(key); it != tokens.end()) token = it->second;
    }
    // A token of an earlier server on this port (another database) is refused at the first
    // call, which then logs in again.
    if (token.empty()) token = FreshToken(net, key, operatorCode);
    net.SetToken(token);
    net.OnAuthenticate = [&net, key, operatorCode] { return FreshToken(net, key, operatorCode); };
}

std::unique_ptr<platform::TNetConnection> Connection(const std::string& serverName, int port,
                                                     const std::string& operatorCode) {
    auto net = std::make_unique<platform::TNetConnection>();
    net->SetServerName(serverName);
    net->SetPort(port);
    LogIn(*net, operatorCode);
    return net;
}

std::vector<Variant> OpenCriteria(const std::string& company) {
    return protocol::FiltroValues({.company = company});
}

std::vector<Variant> DefaultCriteria(const std::string& company, platform::TDateTime today) {
    const Variant day = Variant::FromDate(today);
    return protocol::FiltroValues({.company = company, .paidFrom = day, .paidTo = day});
}

std::unique_ptr<TClientDataSet> OpenPacket(const Variant& packet) {
    auto data = std::make_unique<TClientDataSet>();
    data->SetData(packet);
    return data;
}

std::vector<std::string> Numbers(const Variant& packet) {
    auto data = OpenPacket(packet);
    std::vector<std::string> numbers;
    for (data->First(); !data->Eof(); data->Next())
        numbers.push_back(data->FieldByName("NRBAIXAPAG")->AsString());
    return numbers;
}

Variant MarkRows(const Variant& listPacket,
                 const std::function<bool(const std::string&, const std::string&)>& marked) {
    auto data = OpenPacket(listPacket);
    for (data->First(); !data->Eof(); data->Next()) {
        const bool mark = marked(data->FieldByName("CDFILIAL")->AsString(),
                                 data->FieldByName("NRBAIXAPAG")->AsString());
        data->Edit();
        data->FieldByName("IDMARCADO")->SetAsString(mark ? "S" : "N");
        data->Post();
    }
    return data->Data();
}

Variant CataloguePacket(bool withChequeHistory) {
    TClientDataSet msg;
    msg.FieldDefs().Add("CDMESSAGE", platform::TFieldType::ftString, 50);
    msg.FieldDefs().Add("DSMESSAGE", platform::TFieldType::ftString, 200);
    msg.CreateDataSet();
    const std::pair<const char*, const char*> lines[] = {
        {"ALT_BLOQ", "Operação bloqueada. Documento em alteração por outro usuário."},
        {"Hist_Nc", "Histórico padrão para integração contábil não cadastrado\t"},
        {"Hist_Conta", "Cheque: [#CHQ]"},
        {"PGTO", "Pagto"},
        {"RecCont_suc", "O Recálculo da Contabilização da Baixa foi realizado com sucesso."},
    };
    for (const auto& [key, text] : lines) {
        if (!withChequeHistory && std::string(key) == "Hist_Conta") continue;
        msg.Append();
        msg.FieldByName("CDMESSAGE")->SetAsString(key);
        msg.FieldByName("DSMESSAGE")->SetAsString(text);
        msg.Post();
    }
    return msg.Data();
}

std::string TRunReply::FirstKey() const {
    if (result->IsEmpty()) return {};
    result->SetIndexFieldNames("IDTPRESULT");
    result->First();
    return result->FieldByName("DSRESULT")->AsString();
}

TRunReply OpenRunPayload(const Variant& payload) {
    TRunReply reply;
    reply.result = OpenPacket(payload[0]);
    reply.entries = OpenPacket(payload[1]);
    reply.apportionment = OpenPacket(payload[2]);
    reply.errors = OpenPacket(payload[3]);
    return reply;
}

namespace {

void Run(platform::TSqlConnection& db, const std::string& sql,
         std::initializer_list<std::pair<std::string, Variant>> params) {
    db.Execute(sql, platform::TSqlParams(params));
}

void WriteOff(platform::TSqlConnection& db, const char* branch, const char* number,
              const char* company, platform::TDateTime paid, double amount, const char* type,
              const char* account, const char* op, const char* status, const char* accounted,
              const char* entryNumber, const Variant& entered) {
    Run(db,
        "INSERT INTO BAIXAPAG (CDFILIAL, NRBAIXAPAG, CDEMPRESA, NRMOVBANC, CDREDUCONT, DTBAIXAPAG,"
        " VRBAIXAPAG, NRLCTBBPAG, IDSTATUSBPAG, CDOPERADOR, DSBAIXAPAG, CDTPBAIXAPAG, IDCTBLBXPAG,"
        " DTLANCBAIXAP) VALUES (:F, :N, :E, :M, :C, :D, :V, :L, :S, :O, :DS, :T, :A, :DL)",
        {{"F", branch},
         {"N", number},
         {"E", company},
         {"M", std::string("M") + number},
         {"C", account},
         {"D", Variant::FromDate(paid)},
         {"V", amount},
         {"L", *entryNumber ? Variant(entryNumber) : Variant::Null()},
         {"S", status},
         {"O", op},
         {"DS", std::string("Baixa ") + number},
         {"T", type},
         {"A", accounted},
         {"DL", entered}});
}

void Payable(platform::TSqlConnection& db, const char* writeOffBranch, const char* writeOff,
             const char* branch, const char* number, const char* company, const char* supplier,
             const char* document, platform::TDateTime due, const char* type, double original,
             double net) {
    Run(db,
        "INSERT INTO CONTAPAGAR (CDFILIAL, NRCTPAGAR, CDEMPRESA, CDFORNECED, CDTPCTPAGAR,"
        " NRDOCUMENTO, DTVENCIMENTO, VRORIGINAL, VRLIQUIDO) VALUES (:F, :N, :E, :S, :T, :D, :V,"
        " :O, :L)",
        {{"F", branch},
         {"N", number},
         {"E", company},
         {"S", supplier},
         {"T", type},
         {"D", document},
         {"V", Variant::FromDate(due)},
         {"O", original},
         {"L", net}});
    Run(db,
        "INSERT INTO ITBAIXAPAG (CDFILIAL, NRBAIXAPAG, CDFILICTPAG, NRCTPAGAR, VRPAGO)"
        " VALUES (:F, :N, :PF, :PN, :V)",
        {{"F", writeOffBranch}, {"N", writeOff}, {"PF", branch}, {"PN", number}, {"V", net}});
}

} // namespace

void LoadKnownWriteOffs(platform::TSqlConnection& db, platform::TDateTime d0) {
    platform::TSqlTransaction transaction(db);
    for (const char* table : {"RATEIOCTB", "LANCCTB", "BLOQDOCU", "LISTA", "ITBAIXAPAG",
                              "BOLETPAGAR", "BAIXAPAG", "CONTAPAGAR"})
        db.Execute(std::string("DELETE FROM ") + table);
    WriteOff(db, "0001", "T1", "01", d0, 100.00, "02", "001", "OPERADOR", "E", "N", "",
             Variant::FromDate(d0 + 10.0 / 24));
    Payable(db, "0001", "T1", "0001", "P1", "01", "000001", "0000100", d0 + 5, "DUP", 110.00,
            100.00);
    WriteOff(db, "0002", "T2", "01", d0 - 10, 250.50, "03", "002", "MARIA", "E", "S",
             "000000000900", Variant::FromDate(d0 - 10 + 86399.0 / 86400));
    Payable(db, "0002", "T2", "0002", "P2", "01", "000007", "123", d0 - 12, "NFS", 300.00, 250.50);
    WriteOff(db, "0001", "T3", "01", d0 - 30, 1000.00, "02", "001", "JOAO", "P", "N", "",
             Variant::FromDate(d0 - 29));
    Payable(db, "0001", "T3", "0002", "P3A", "01", "000002", "0000500", d0 - 31, "DUP", 600, 600);
    Payable(db, "0001", "T3", "0001", "P3B", "01", "000003", "0000600", d0 - 40, "ALU", 400, 400);
    WriteOff(db, "0201", "T4", "02", d0, 100.00, "02", "004", "OPERADOR", "E", "N", "",
             Variant::FromDate(d0));
    Payable(db, "0201", "T4", "0201", "P4", "02", "000001", "0000100", d0, "DUP", 100, 100);
    WriteOff(db, "0002", "T5", "01", d0, 99.99, "05", "001", "OPERADOR", "C", "N", "",
             Variant::Null());
    Payable(db, "0002", "T5", "0002", "P5", "01", "000001", "0000099", d0, "DUP", 99.99, 99.99);
    transaction.Commit();
}

} // namespace servertest
