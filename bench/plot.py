#!/usr/bin/env python3
"""Plots CPU time against size for every benchmark family in a Google
Benchmark JSON file (log-log SVG, standard library only) and prints a
Markdown table that pairs each "...Straightforward" family with the others
of the same prefix (baseline, ours, ratio).

    bench/plot.py build/bench/address_list_bench.json out.svg [--title T]
"""
import argparse
import json
import math
import sys

UNIT_TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
COLOURS = ["#c0392b", "#2471a3", "#229954", "#7d3c98", "#b9770e"]


def load(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    families = {}
    for run in data.get("benchmarks", []):
        if run.get("run_type", "iteration") != "iteration":
            continue
        parts = run["name"].split("/")
        if len(parts) < 2 or not parts[1].isdigit():
            continue
        family = parts[0]
        size = int(parts[1])
        ms = run["cpu_time"] * UNIT_TO_MS[run.get("time_unit", "ns")]
        wall = run["real_time"] * UNIT_TO_MS[run.get("time_unit", "ns")]
        families.setdefault(family, {})[size] = (ms, wall, run)
    return data.get("context", {}), families


def label(family):
    return family[3:] if family.startswith("BM_") else family


def svg(families, title):
    width, height = 720, 460
    left, right, top, bottom = 80, 200, 50, 60
    points = [(s, v[0]) for f in families.values() for s, v in f.items()]
    if not points:
        return "<svg xmlns='http://www.w3.org/2000/svg'/>"
    xmin = 10 ** math.floor(math.log10(min(p[0] for p in points)))
    xmax = 10 ** math.ceil(math.log10(max(p[0] for p in points)))
    ymin = 10 ** math.floor(math.log10(max(min(p[1] for p in points), 1e-6)))
    ymax = 10 ** math.ceil(math.log10(max(p[1] for p in points)))
    if xmax == xmin:
        xmax *= 10
    if ymax == ymin:
        ymax *= 10

    def x(v):
        return left + (math.log10(v) - math.log10(xmin)) / (math.log10(xmax) - math.log10(xmin)) * (width - left - right)

    def y(v):
        return height - bottom - (math.log10(v) - math.log10(ymin)) / (math.log10(ymax) - math.log10(ymin)) * (height - top - bottom)

    out = [f"<svg xmlns='http://www.w3.org/2000/svg' width='{width}' height='{height}' font-family='sans-serif' font-size='12'>",
           f"<rect width='{width}' height='{height}' fill='white'/>",
           f"<text x='{width / 2 - right / 2}' y='25' text-anchor='middle' font-size='15'>{title}</text>"]
    decade = xmin
    while decade <= xmax:
        out.append(f"<line x1='{x(decade):.1f}' y1='{top}' x2='{x(decade):.1f}' y2='{height - bottom}' stroke='#ddd'/>")
        out.append(f"<text x='{x(decade):.1f}' y='{height - bottom + 18}' text-anchor='middle'>{decade:g}</text>")
        decade *= 10
    decade = ymin
    while decade <= ymax:
        out.append(f"<line x1='{left}' y1='{y(decade):.1f}' x2='{width - right}' y2='{y(decade):.1f}' stroke='#ddd'/>")
        out.append(f"<text x='{left - 6}' y='{y(decade) + 4:.1f}' text-anchor='end'>{decade:g}</text>")
        decade *= 10
    out.append(f"<rect x='{left}' y='{top}' width='{width - left - right}' height='{height - top - bottom}' fill='none' stroke='#333'/>")
    out.append(f"<text x='{(left + width - right) / 2}' y='{height - 15}' text-anchor='middle'>addresses (log)</text>")
    out.append(f"<text transform='translate(20 {(top + height - bottom) / 2}) rotate(-90)' text-anchor='middle'>CPU time, ms (log)</text>")
    for i, (family, runs) in enumerate(sorted(families.items())):
        colour = COLOURS[i % len(COLOURS)]
        pts = sorted((s, v[0]) for s, v in runs.items())
        path = " ".join(f"{x(s):.1f},{y(t):.1f}" for s, t in pts)
        out.append(f"<polyline points='{path}' fill='none' stroke='{colour}' stroke-width='2'/>")
        for s, t in pts:
            out.append(f"<circle cx='{x(s):.1f}' cy='{y(t):.1f}' r='3.5' fill='{colour}'><title>{label(family)} {s}: {t:.3g} ms</title></circle>")
        ly = top + 20 + 22 * i
        out.append(f"<line x1='{width - right + 15}' y1='{ly}' x2='{width - right + 40}' y2='{ly}' stroke='{colour}' stroke-width='2'/>")
        out.append(f"<text x='{width - right + 46}' y='{ly + 4}'>{label(family)}</text>")
    out.append("</svg>")
    return "\n".join(out)


def table(families):
    rows = ["| family | size | baseline CPU ms | ours CPU ms | ratio | ours wall ms | ours memory bytes/byte |",
            "|---|---:|---:|---:|---:|---:|---:|"]
    for baseline in sorted(f for f in families if f.endswith("Straightforward")):
        prefix = baseline[: -len("Straightforward")]
        for ours in sorted(f for f in families if f.startswith(prefix) and f != baseline):
            for size in sorted(set(families[baseline]) | set(families[ours])):
                base = families[baseline].get(size)
                mine = families[ours].get(size)
                base_ms = f"{base[0]:.3f}" if base else "not run"
                mine_ms = f"{mine[0]:.3f}" if mine else "not run"
                ratio = f"{base[0] / mine[0]:.0f}x" if base and mine and mine[0] > 0 else "-"
                wall = f"{mine[1]:.3f}" if mine else "-"
                memory = mine[2].get("memory_per_byte") if mine else None
                memory = f"{memory:.2f}" if memory is not None else "-"
                rows.append(f"| {label(ours)} | {size} | {base_ms} | {mine_ms} | {ratio} | {wall} | {memory} |")
    return "\n".join(rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("json")
    parser.add_argument("svg")
    parser.add_argument("--title", default="CPU time against size")
    args = parser.parse_args()
    context, families = load(args.json)
    with open(args.svg, "w", encoding="utf-8") as f:
        f.write(svg(families, args.title))
    print(f"host: {context.get('host_name', '?')}, {context.get('num_cpus', '?')} CPUs, "
          f"load {context.get('load_avg', '?')}, {context.get('date', '')}")
    print(table(families))
    print(f"plot: {args.svg}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
