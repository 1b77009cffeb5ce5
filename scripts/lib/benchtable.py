"""Prints the benchmarks' bars as one table from Google Benchmark JSON files: the figures each
bar compares, their ratio, the bar and whether it holds (a figure that is missing or whose
benchmark failed shows why). Medians of repetitions are used when there are repetitions.

    python3 scripts/lib/benchtable.py build-bench/results/*.json
"""
import json
import re
import sys

# (what is held, figure, comparison, figure or number, factor). A figure is
# "benchmark name" for its real time in milliseconds, or "benchmark name:counter".
# "<=": the first at most factor times the second; ">=": at least factor times; with a number
# in place of the second figure, the bar is factor times that number.
BARS = [
    ("chamada pequena / eco TCP", "BM_SmallCall", "<=", "BM_TcpEcho", 4.0),
    ("chamada pequena com login / sem login", "BM_SmallCall", "<=", "BM_SmallCallAnonymous", 1.1),
    ("carga 100 mil / SQLite", "BM_LoadAll/100000", "<=", "BM_SqliteStepAll/100000", 1.25),
    ("carga 1 milhão / 100 mil", "BM_LoadAll/1000000", "<=", "BM_LoadAll/100000", 11.0),
    ("carga 1 milhão / SQLite", "BM_LoadAll/1000000", "<=", "BM_SqliteStepAll/1000000", 1.3),
    ("memória do servidor / pacote (1 milhão)", "BM_LoadAll/1000000:server_peak_bytes", "<=",
     "BM_LoadAll/1000000:packet_bytes", 1.2),
    ("carga PostgreSQL / libpq", "BM_LoadAllPg/100000", "<=", "BM_PgStepAll/100000", 1.5),
    ("recálculo PostgreSQL / SQLite", "BM_ConfirmPg/10000", "<=", "BM_Confirm/10000", 1.5),
    ("simulação / recálculo", "BM_Simulate/10000", "<=", "BM_Confirm/10000", 1.2),
    ("dataset / pacote (100 mil)", "BM_PacketDecode/100000:dataset_bytes", "<=",
     "BM_PacketDecode/100000:packet_bytes", 1.35),
    ("dataset / pacote (1 milhão)", "BM_PacketDecode/1000000:dataset_bytes", "<=",
     "BM_PacketDecode/1000000:packet_bytes", 1.35),
    ("marcar todas / laço simples (100 mil)", "BM_MarkAllScreen/100000", "<=",
     "BM_PlainMarkLoop/100000", 4.0),
    ("marcar todas / laço simples (1 milhão)", "BM_MarkAllScreen/1000000", "<=",
     "BM_PlainMarkLoop/1000000", 4.0),
    ("8 clientes / 1 cliente, linhas por segundo", "BM_ConcurrentLoad/8:rows_per_second", ">=",
     "BM_ConcurrentLoad/1:rows_per_second", 1.5),
    ("8 clientes, recálculos por segundo", "BM_ConcurrentRuns/8:runs_per_second", ">=", 80, 1.0),
    ("dois servidores via HAProxy / um direto, recálculos por segundo",
     "BM_RunsThroughProxy:runs_per_second", ">=", "BM_RunsDirect:runs_per_second", 0.9),
    ("desktop, 100 mil linhas pintadas (ms)",
     "BM_OpenScreenAndLoad100kToPaintedGrid/rows:100000/painting_while_waiting:1", "<=", 1000, 1.0),
    ("desktop, animação durante a espera / sem ela",
     "BM_OpenScreenAndLoad100kToPaintedGrid/rows:100000/painting_while_waiting:1", "<=",
     "BM_OpenScreenAndLoad100kToPaintedGrid/rows:100000/painting_while_waiting:0", 1.05),
    ("desktop, 1 milhão de linhas pintadas (ms)",
     "BM_OpenScreenAndLoad1MToPaintedGrid/rows:1000000/painting_while_waiting:1", "<=", 5000, 1.0),
]

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(paths):
    """Benchmark name -> its entry (the median of repetitions where there is one)."""
    found = {}
    for path in paths:
        try:
            with open(path, encoding="utf-8") as f:
                entries = json.load(f).get("benchmarks", [])
        except (OSError, ValueError) as e:
            print(f"benchtable: {path}: {e}", file=sys.stderr)
            continue
        for entry in entries:
            name = entry.get("run_name", entry["name"])
            # Names carry how they were timed and fixed iteration counts: "/manual_time",
            # "/real_time", "/iterations:5", "/repeats:12".
            name = re.sub(r"/(manual_time|real_time|iterations:\d+|repeats:\d+)", "", name)
            if entry.get("run_type") == "aggregate":
                if entry.get("aggregate_name") == "median":
                    found[name] = entry
            else:
                found.setdefault(name, entry)
    return found


def figure(found, spec):
    """The value of a figure, or a text saying why there is none."""
    if isinstance(spec, (int, float)):
        return float(spec)
    name, _, counter = spec.partition(":")
    entry = found.get(name)
    if entry is None:
        return "não medido"
    if entry.get("error_occurred"):
        return "falhou: " + entry.get("error_message", "")
    if counter:
        return float(entry[counter]) if counter in entry else "sem " + counter
    return float(entry["real_time"]) * TO_MS[entry.get("time_unit", "ns")]


def show(value):
    if isinstance(value, str):
        return value
    return f"{value:,.0f}" if value >= 1000 else f"{value:.3g}"


def main(paths):
    found = load(paths)
    rows = [("barra", "medida", "referência", "razão", "limite", "")]
    failed = 0
    for label, first, op, second, factor in BARS:
        a, b = figure(found, first), figure(found, second)
        if isinstance(a, str) or isinstance(b, str) or b == 0:
            rows.append((label, show(a), show(b), "-", "-", "?"))
            continue
        if isinstance(second, (int, float)):
            ratio, limit = a, b * factor
        else:
            ratio, limit = a / b, factor
        holds = ratio <= limit if op == "<=" else ratio >= limit
        failed += not holds
        rows.append((label, show(a), show(b), f"{ratio:.3g}", f"{op} {limit:g}",
                     "ok" if holds else "NÃO"))
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    for row in rows:
        print("  ".join(cell.ljust(widths[i]) for i, cell in enumerate(row)).rstrip())
    print(f"\n{failed} barra(s) não atendida(s); '?' = não medida nesta execução.")


if __name__ == "__main__":
    main(sys.argv[1:])
