#!/usr/bin/env bash
# zelvane-check --json after a real check against the site simulator, and
# --list --json, held to the schema in docs/: every kind of watch (flexible
# days for a party, a return from two airports, paused, gone, a line that
# cannot be read), and the seats of a day as the flight table gave them.
set -euo pipefail
check=$1 sitesim=$2 schema=$3
source "$(dirname "$0")/../support/desktop.sh"
python3 -c 'import jsonschema' 2>/dev/null \
  || { echo "SKIP: python3-jsonschema is not installed (scripts/bootstrap installs it)"; exit 77; }

cp "$check" "$home/program/"
cat >"$home/scenario.json" <<'JSON'
{"available": [{"from": "SYD", "to": "MEL", "date": "25/12/2026",
                "rows": [["08:00", "09:30", "QF401", "738", "0", "4", "2", "N"],
                         ["12:00", "13:30", "QF409", "738", "1", "Y", "N", "N"],
                         ["18:00", "19:30", "QF433", "738", "0", "1", "N", "N"]]}]}
JSON
printf '%s\r\n' \
  'Sydney;Melbourne;24/12/2026;Morning;SYD;MEL;Any;2;2' \
  'Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Business;1;0;0;03/01/2027;0;0;trip;Newcastle/NTL' \
  'Perth;Darwin;03/01/2027;Afternoon;PER;DRW;;;;;;;;;;;;;;;;paused' \
  'Adelaide;Hobart;31/02/2027;Morning;ADL;HBA' \
  'Perth;Darwin;01/12/2026;Morning;PER;DRW' >"$home/program/Query.txt"
printf '[Settings]\nMemberNo=1234567\nLastName=Smith\nPin=1234\nMail=me@example.org\nNotifyDesktop=0\n' >"$conf"
start_sitesim

set +e
ZELVANE_AIRLINE_URL=$base ZELVANE_SITE_URL=$base ZELVANE_TIME_SCALE=0 \
  "$home/program/zelvane-check" --json >"$home/check.json" 2>"$home/check.err"
rc=$?
"$home/program/zelvane-check" --list --json >"$home/list.json" 2>"$home/list.err"
list_rc=$?
set -e
[ "$rc" -eq 0 ] || fail "zelvane-check --json ended with $rc: $(cat "$home/check.err")"
[ "$list_rc" -eq 0 ] || fail "zelvane-check --list --json ended with $list_rc: $(cat "$home/list.err")"

python3 - "$schema" "$home/check.json" "$home/list.json" <<'PY' || fail "the JSON does not keep its schema"
import json, sys
import jsonschema

schema = json.load(open(sys.argv[1]))
check = json.load(open(sys.argv[2]))
listed = json.load(open(sys.argv[3]))
validator = jsonschema.Draft202012Validator(schema, format_checker=jsonschema.FormatChecker())
problems = []
for name, doc in (("--json", check), ("--list --json", listed)):
    for error in validator.iter_errors(doc):
        problems.append("%s at %s: %s" % (name, "/".join(map(str, error.absolute_path)), error.message))

def expect(what, got, wanted):
    if got != wanted:
        problems.append("%s: %r, not %r" % (what, got, wanted))

watches = check.get("watches", [])
expect("watches", len(watches), 5)
if len(watches) == 5:
    family = watches[0]
    expect("the family's party", (family["watch"]["adults"], family["watch"]["outbound"]["daysAfter"]), (2, 2))
    days = family["result"]["legs"][0]["pairs"][0]["dates"]
    expect("the family's dates", [(d["date"], d["state"]) for d in days],
           [("2026-12-24", "no seats"), ("2026-12-25", "seats"), ("2026-12-26", "no seats")])
    # One seat in Economy is no seat for two; a cell without a number is.
    expect("the seats on the 25th", [(f["flight"], [(s["cabin"], s["count"]) for s in f["seats"]])
                                     for f in days[1]["flights"]],
           [("QF401", [("Economy", 4), ("Business", 2)]), ("QF409", [("Economy", None)])])
    trip = watches[1]
    expect("the trip's cities", [c["code"] for c in trip["watch"]["origins"]], ["SYD", "NTL"])
    expect("the trip's way back", trip["watch"]["return"], {"date": "2027-01-03", "daysBefore": 0, "daysAfter": 0})
    expect("the trip's options", (trip["watch"]["wholeTripsOnly"], trip["watch"]["cabin"]), (True, "Business"))
    expect("the trip's pairs", [(l["leg"], [(p["from"]["code"], p["to"]["code"]) for p in l["pairs"]])
                                for l in trip["result"]["legs"]],
           [("outbound", [("SYD", "MEL"), ("NTL", "MEL")]), ("return", [("MEL", "SYD"), ("MEL", "NTL")])])
    expect("the paused watch", (watches[2]["watch"]["paused"], watches[2]["status"]), (True, "paused"))
    expect("the unreadable line", (watches[3].get("line"), "watch" in watches[3]),
           ("Adelaide;Hobart;31/02/2027;Morning;ADL;HBA", False))
    expect("the day gone", (watches[4]["status"], watches[4]["result"]["state"], watches[4]["result"]["reason"]),
           ("past", "not checked", "past"))
expect("--list --json", [w["position"] for w in listed.get("watches", [])], [1, 2, 3, 4, 5])
expect("--list --json results", any("result" in w for w in listed.get("watches", [])), False)
print("\n".join(problems))
sys.exit(1 if problems else 0)
PY
echo ok
