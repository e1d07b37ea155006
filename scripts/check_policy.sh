#!/usr/bin/env bash
# The Group Policy templates of build/linux (made from the table of settings
# by settings_writer), checked without Windows: the ADMX and ADML are
# well-formed, every string and presentation the ADMX names is in the ADML,
# ids are unique and plain, every number has its maximum, every setting is
# one policy under the Policies key; the ADM has its sections and strings.
# Ends with "policy: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/check_lib.sh

dir=build/linux/PolicyDefinitions
writer=build/linux/settings_writer
if [ ! -x "$writer" ] || [ ! -f "$dir/Kestro.admx" ]; then
  not_ok "the templates in $dir (cmake --build build/linux --target policy_templates)"
  finish policy
fi
names=$("$writer" names)

while IFS= read -r line; do
  case "$line" in ok:*) ok "${line#ok: }" ;; *) not_ok "${line#FAILED: }" ;; esac
done < <(python3 - "$dir" "$names" <<'PY'
import re, sys
import xml.etree.ElementTree as ET
folder, names = sys.argv[1], sys.argv[2].split()
ns = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
key = "Software\\Policies\\Morvane\\Kestro"
def check(good, what, why=""):
    print(("ok: " if good else "FAILED: ") + what + ("" if good or not why else ": " + why))
def plain_unique(ids, what):
    bad = [i for i in ids if not re.fullmatch(r"[A-Za-z0-9_]+", i)]
    twice = sorted({i for i in ids if ids.count(i) > 1})
    check(not bad and not twice, f"{what}: {len(ids)} ids, unique, of letters, digits and _",
          f"not plain {bad}, twice {twice}")
trees = {}
for f in ("Kestro.admx", "en-US/Kestro.adml"):
    try:
        trees[f] = ET.parse(f"{folder}/{f}").getroot()
        check(True, f"{f} is well-formed XML")
    except ET.ParseError as e:
        check(False, f"{f} is well-formed XML", str(e))
if len(trees) < 2:
    sys.exit()
admx, adml = trees["Kestro.admx"], trees["en-US/Kestro.adml"]
text = open(f"{folder}/Kestro.admx").read()
strings = [s.get("id") for s in adml.iter("{%s}string" % ns["p"])]
presentations = [p.get("id") for p in adml.iter("{%s}presentation" % ns["p"])]
for kind, defined in (("string", strings), ("presentation", presentations)):
    used = set(re.findall(r"\$\(%s\.([^)]*)\)" % kind, text))
    check(used <= set(defined), f"every $({kind}.X) of the ADMX ({len(used)}) is in the ADML",
          f"missing {sorted(used - set(defined))}")
policies = admx.findall(".//p:policy", ns)
plain_unique([p.get("name") for p in policies] + [c.get("name") for c in admx.findall(".//p:category", ns)],
             "the ADMX's policies and categories")
plain_unique(strings, "the ADML's strings")
plain_unique(presentations, "the ADML's presentations")
decimals = admx.findall(".//p:decimal", ns)
check(decimals and all(d.get("maxValue") for d in decimals), f"every decimal ({len(decimals)}) has a maxValue")
texts = admx.findall(".//p:text", ns)
check(texts and all(t.get("maxLength") == "253" for t in texts), f"every text ({len(texts)}) has maxLength 253")
wrong = [p.get("name") for p in policies if p.get("key") != key or p.get("class") != "Machine"]
check(not wrong, f"every policy is a machine policy under {key}", f"not so: {wrong}")
values = [e.get("valueName") for p in policies for e in p.find("p:elements", ns)]
check(sorted(values) == sorted(names), f"every setting of the table ({len(names)}) is one policy's value",
      f"the policies' values {sorted(values)}")
check(admx.find(".//p:supportedOn/p:definitions/p:definition", ns) is not None and
      "XP" in dict(zip(strings, (s.text for s in adml.iter("{%s}string" % ns["p"])))).get(
          "SUPPORTED_WindowsXPSP3", ""), "supportedOn names Windows XP SP3")
PY
)

adm=$(tr -d '\r' <"$dir/Kestro.adm")
balanced=yes
for word in CATEGORY POLICY PART; do
  opened=$(grep -cE "^ *$word " <<<"$adm")
  closed=$(grep -cE "^ *END $word\$" <<<"$adm")
  [ "$opened" -eq "$closed" ] && [ "$opened" -gt 0 ] || balanced="$word $opened/$closed"
done
[ "$balanced" = yes ] && ok "Kestro.adm: every CATEGORY, POLICY and PART ends" ||
  not_ok "Kestro.adm: sections opened/ended: $balanced"
refs=$(grep -oE '!![A-Za-z0-9_]+' <<<"$adm" | sed 's/!!//' | sort -u)
defined=$(sed -n '/^\[strings\]$/,$ s/^\([A-Za-z0-9_]*\)=.*/\1/p' <<<"$adm" | sort -u)
lacking=$(comm -23 <(echo "$refs") <(echo "$defined"))
[ -z "$lacking" ] && ok "Kestro.adm: its $(wc -l <<<"$refs") strings are in [strings]" ||
  not_ok "Kestro.adm: strings not in [strings]: $(echo $lacking)"
adm_values=$(sed -n 's/^ *VALUENAME "\(.*\)"$/\1/p' <<<"$adm" | sort)
keys=$(grep -E '^ *KEYNAME ' <<<"$adm" | sed 's/^ *//' | sort -u)
if grep -qx 'CLASS MACHINE' <<<"$adm" && [ "$adm_values" = "$(sort <<<"$names")" ] &&
  [ "$keys" = 'KEYNAME "Software\Policies\Morvane\Kestro"' ]; then
  ok "Kestro.adm: every setting once, as a machine policy under the Policies key"
else
  not_ok "Kestro.adm: CLASS MACHINE, the values ($(echo $adm_values)), the keys ($keys)"
fi
finish policy
