#!/usr/bin/env python3
"""Instructions per call of a benchmark, from a callgrind profile.

usage: callgrind_per_call.py PROFILE SCOPE COUNTED [FUNCTION...]

Names are substrings, or exact names when they start with "=". SCOPE is a substring of the benchmark function's name (its inclusive cost is what
one run of the benchmark costs), COUNTED a substring of a function called once per
iteration (its call count is the number of iterations). Each FUNCTION substring
adds a line with that function's inclusive cost per iteration.
"""
import re
import sys
from collections import defaultdict


def parse(path):
    names = {}
    self_cost = defaultdict(int)
    inclusive_calls = defaultdict(int)  # cost of calls made by fn
    calls_into = defaultdict(int)
    fn = None
    pending_call = None

    def name_of(spec):
        m = re.match(r"\((\d+)\)(?: (.*))?", spec)
        if not m:
            return spec
        if m.group(2):
            names[m.group(1)] = m.group(2)
        return names.get(m.group(1), m.group(1))

    with open(path, errors="replace") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("fn="):
                fn = name_of(line[3:])
            elif line.startswith("cfn="):
                cfn = name_of(line[4:])
            elif line.startswith("calls="):
                pending_call = (cfn, int(line[6:].split()[0]))
            elif line and (line[0].isdigit() or line[0] in "+-*"):
                parts = line.split()
                cost = int(parts[1]) if len(parts) > 1 else 0
                if pending_call:
                    target, count = pending_call
                    inclusive_calls[fn] += cost
                    calls_into[target] += count
                    pending_call = None
                elif fn is not None:
                    self_cost[fn] += cost
            elif line.startswith(("cfi=", "cfl=", "fl=", "fi=", "fe=", "ob=", "cob=")):
                continue
    return names, self_cost, inclusive_calls, calls_into


def find(keys, needle):
    # "=name" asks for that exact name, anything else for a substring.
    if needle.startswith("="):
        matches = [k for k in keys if k == needle[1:]]
    else:
        matches = [k for k in keys if needle in k]
    if not matches:
        sys.exit(f"no function matches {needle!r}")
    return matches


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    path, scope, counted, *functions = sys.argv[1:]
    _, self_cost, inclusive_calls, calls_into = parse(path)
    every = set(self_cost) | set(inclusive_calls) | set(calls_into)
    iterations = sum(calls_into[k] for k in find(every, counted))
    if iterations == 0:
        sys.exit("the counted function was never called")

    def inclusive(needle):
        return sum(self_cost[k] + inclusive_calls[k] for k in find(every, needle))

    print(f"iterations: {iterations}")
    print(f"{scope}: {inclusive(scope) / iterations:.1f} instructions per iteration")
    for function in functions:
        print(f"  {function}: {inclusive(function) / iterations:.1f}")


if __name__ == "__main__":
    main()
