// Realistic rows of the 29-field write-off record, generated deterministically for benchmarks.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "platform/dataset.h"
#include "platform/datetime.h"
#include "protocol/writeofflayout.h"

namespace bench {

/// Declares the shared write-off record as persistent fields of a closed dataset.
inline void AddWriteOffFields(platform::TDataSet& dataSet) {
    for (const platform::TFieldDef& f : protocol::WriteOffFields()) {
        switch (f.DataType) {
        case platform::TFieldType::ftString: dataSet.AddStringField(f.Name, f.Size); break;
        case platform::TFieldType::ftFixedChar: dataSet.AddFixedCharField(f.Name, f.Size); break;
        case platform::TFieldType::ftFloat: dataSet.AddFloatField(f.Name); break;
        case platform::TFieldType::ftDateTime: dataSet.AddDateTimeField(f.Name); break;
        default: break;
        }
    }
}

/// Appends `count` write-offs to an open dataset laid out as the write-off record: branches and
/// numbers forming unique 14-character keys, dates in 2024, amounts with cents, names with
/// accents, descriptions of 100 to 250 characters, cheque fields null when not paid by cheque.
inline void FillWriteOffs(platform::TDataSet& dataSet, int count, unsigned seed = 20240315) {
    static const char* const kNames[] = {"José da Silva",
                                         "Maria Aparecida Souza",
                                         "João Pereira Lima",
                                         "Ana Cláudia Gonçalves",
                                         "Distribuidora Paulista Ltda",
                                         "Comércio de Peças Araújo",
                                         "Indústria Têxtil Nordeste S.A.",
                                         "Transportes Irmãos Conceição"};
    static const char* const kTypes[] = {"Pagamento de Fornecedor", "Adiantamento",
                                         "Pagamento Parcial",       "Baixa por Devolução",
                                         "Pagamento de Imposto",    "Tarifa Bancária"};
    static const char* const kWords[] = {
        "pagamento", "referente",  "à",          "nota",       "fiscal",      "série",
        "parcela",   "fornecedor", "serviços",   "prestados",  "competência", "março",
        "conforme",  "contrato",   "manutenção", "transporte", "mercadorias", "juros",
        "multa",     "desconto",   "crédito",    "liquidação", "boleto"};
    static const char* const kAccounts[] = {"Conta Movimento BB", "Itaú Pagamentos",
                                            "Bradesco Fornec.", "Caixa Econômica"};
    static const char* const kOperators[] = {"Carlos Eduardo Ramos", "Fernanda Lúcia Prado",
                                             "Paulo Sérgio Matos"};
    std::mt19937 rng(seed);
    auto pick = [&](auto& list) { return list[rng() % (sizeof(list) / sizeof(list[0]))]; };
    auto digits = [&](int n) {
        std::string s(static_cast<std::size_t>(n), '0');
        for (char& c : s) c = static_cast<char>('0' + rng() % 10);
        return s;
    };
    const platform::TDateTime firstDay = platform::EncodeDate(2024, 1, 1);
    platform::TRowAppender load(dataSet);
    char buffer[32];
    for (int i = 0; i < count; ++i) {
        load.AddRow();
        bool cheque = rng() % 2 == 0;
        std::snprintf(buffer, sizeof buffer, "%04d", 1 + i % 20);
        std::string filial = buffer;
        std::snprintf(buffer, sizeof buffer, "%010d", 1000000 + i);
        std::string description;
        std::size_t target = 100 + rng() % 151;
        while (description.size() < target) {
            if (!description.empty()) description += ' ';
            description += pick(kWords);
        }
        int f = 0;
        load.SetString(f++, "9999-9");
        load.SetString(f++, filial);
        load.SetString(f++, buffer);
        load.SetString(f++, "01");
        load.SetString(f++, digits(10));
        load.SetString(f++, digits(3));
        load.SetString(f++, "1.1.01.02." + digits(4));
        if (cheque)
            load.SetString(f++, digits(6));
        else
            load.SetNull(f++);
        load.SetDateTime(f++, firstDay + rng() % 366);
        load.SetFloat(f++, static_cast<double>(1000 + rng() % 5000000) / 100.0);
        if (cheque)
            load.SetString(f++, pick(kNames));
        else
            load.SetNull(f++);
        load.SetString(f++, cheque ? "S" : "N");
        load.SetString(f++, digits(12));
        load.SetString(f++, rng() % 4 == 0 ? "P" : (rng() % 3 == 0 ? "C" : "E"));
        load.SetString(f++, "OPER" + digits(2));
        load.SetString(f++, "N");
        load.SetString(f++, rng() % 2 ? "001" : "237");
        load.SetString(f++, digits(5));
        load.SetString(f++, digits(10));
        load.SetString(f++, pick(kAccounts));
        load.SetString(f++, "99999999-9");
        load.SetString(f++, description);
        load.SetString(f++, "0" + std::to_string(1 + rng() % 6));
        load.SetString(f++, rng() % 2 ? "S" : "N");
        load.SetString(f++, pick(kTypes));
        load.SetString(f++, rng() % 2 ? "S" : "N");
        load.SetDateTime(f++, firstDay + rng() % 366 + 0.5);
        load.SetString(f++, pick(kOperators));
        load.SetString(f++, "N");
    }
    load.Finish();
}

} // namespace bench
