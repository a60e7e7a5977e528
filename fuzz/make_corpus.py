#!/usr/bin/env python3
"""Writes the starting inputs of fuzz/corpus/<target>/ from the cases the tests use.

Targets that take several values from one input (FuzzedDataProvider) get them laid out the way the
provider reads them: strings from the front, numbers and flags from the back. Run it again after adding
a case; inputs that fuzzing found are kept beside them under other names.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, "case-" + name), "wb") as f:
        f.write(data)


def text_then_rest(first, rest):
    """ConsumeRandomLengthString(first) then the remaining bytes: a backslash and one other byte end it."""
    return first.replace(b"\\", b"\\\\") + b"\\ " + rest


def in_range(value, low, high):
    """The bytes, in file order, that ConsumeIntegralInRange(low, high) reads back as value."""
    span = high - low
    count = 0
    while count < 8 and (span >> (8 * count)) > 0:
        count += 1
    raw = value - low
    consumed = [(raw >> (8 * (count - 1 - i))) & 0xFF for i in range(count)]  # first consumed first
    return bytes(reversed(consumed))


# --- the modem: whole calls and the lines of the caller-ID tests -----------------------------------------
def modem(lines, chunk=512):
    data = "".join(l + "\r\n" for l in lines).encode("utf-8", "surrogateescape")
    chunks = [data[i:i + chunk] for i in range(0, len(data), chunk)] or [b""]
    tail = b""
    for c in chunks:  # the first read's length is the last bytes of the input
        tail = in_range(max(1, len(c)), 1, 512) + tail
    return b"".join(chunks) + tail


def write_modem(name, data):
    # The same bytes feed the line parser alone and the whole call road.
    write("fuzz_modem_lines", name, data)
    write("fuzz_call_road", name, data)


calls = {
    "whole-call": ["RING", "DATE = 1225", "TIME = 0930", "NMBR = 5551234567", "NAME = JOHN DOE", "RING"],
    "no-blanks": ["RING", "NMBR=5551234", "NAME=JANE ROE", "RING", "RING"],
    "blank-before": ["RING", "NMBR =5551234", "NAME =A;B"],
    "blank-no-equals": ["RING", "NMBR 5551234567"],
    "unknown-private": ["RING", "NMBR = O", "NAME = P", "RING", "NMBR = p", "NAME = 0"],
    "separators": ["RING", "NAME=a//b|c'd;e", "NMBR = 15551234567"],
    "glued": ["RING", "NMBR5551234567", "NAMEEVIL;X|Y|Z", "NAMENAMELESS NAME", "NMBR55NMBR"],
    "results": ["OK", "ERROR", "NO DIAL TONE", "ring", "MESG = 0102"],
    "blocked": ["RING", "NMBR = 8005551234", "RING", "NMBR = 5550001234"],
}
for name, lines in calls.items():
    write_modem(name, modem(lines))
write_modem("control-bytes",
      modem(["RI", "NG"]) + b"NAME = A\x00B\x01\x7fC\r\nNAME = JOS\xc3\x89\r\nNAME = REN\xc9\r\n\x00\x00\r"
      + in_range(40, 1, 512))
write_modem("long-line", modem(["RING", "A" * 5000, "NMBR = 5551234567", "RING"]))

# --- the records ---------------------------------------------------------------------------------------
def record(which, text, delimiter="|", remove_empty=False):
    return text_then_rest(delimiter.encode(), text.encode("utf-8")) + bytes([1 if remove_empty else 0, which])


write("fuzz_records", "caller", record(0, "|12|JOHN SMITH|NUMBER|555-1234|NONE|3/14/2004 5:07:09 PM|2|||NO|"))
write("fuzz_records", "caller-none", record(0, "|7|JOHN SMITH|NUMBER|555-1234|none|d|1|JOHN|VIP Callers|YES|"))
write("fuzz_records", "caller-40000", record(0, "|40000|X|NUMBER|1|NONE|D|99999999999|||N/A|"))
write("fuzz_records", "caller-short", record(0, "|0|NOT RECEIVED|NUMBER|NOT RECEIVED"))
write("fuzz_records", "contact", record(1, "|JOHN|VIP Callers|||NUMBER|555-1234|Home|NUMBER|555-9876|NONE"))
write("fuzz_records", "contact-twice", record(1, "|ANN||/p.png|other|NUMBER|1|x|NUMBER|1|x|NUMBERS|2|y"))
write("fuzz_records", "group", record(2, "|VIP Callers|255|False|Speech|"))
write("fuzz_records", "group-leading-number", record(2, "|A|12ab|TRUE|a.wav|"))
write("fuzz_records", "tokenizer", record(3, "a|b||c"))
write("fuzz_records", "tokenizer-empty", record(3, "", remove_empty=True))
write("fuzz_records", "tokenizer-list", record(3, ";Total Calls;;Calls in the Last Day;", ";", True))
write("fuzz_records", "every-reader", record(4, "|1|A|NUMBER|2|NONE|D|3|||NO|NUMBER|4|x"))

# --- the network ---------------------------------------------------------------------------------------
def network(typed, stream, restricted=False, bound=4096, splits=()):
    tail = b""
    for s in splits:
        tail = in_range(s, 0, 256) + tail
    tail += in_range(len(splits), 0, 16) + bytes([1 if restricted else 0]) + in_range(bound, 1, 4096)
    return text_then_rest(typed.encode(), stream.encode("utf-8")) + tail


M = ";COMPLETE;COMPLETE;"
write("fuzz_network_framing", "sql", network("192.168.1.5", ";SQL;Select * From tblCID" + M))
write("fuzz_network_framing", "split-marker",
      network("10.0.0.5", ";SQL;Select * From tblCID;COMPL" + "ETE;" + M + ";NETCANCEL;", splits=(27, 3, 1)))
write("fuzz_network_framing", "burst", network(
    "127.0.0.1", ";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|VIP Callers|255|False|Speech|;CLEAR CONTACTS;"
    ";CONTACT;|JOHN|VIP Callers|||NUMBER|555-1234|Home;SIZE;1;;CLEAR CALLERS;;CALLER;|3|J SMITH|NUMBER|"
    "555-1234|NONE|3/14/2004 5:07:09 PM|2|||NO|" + M, restricted=True))
write("fuzz_network_framing", "edit-empty", network("007.1.1.1", ";EDIT CALLER;0;;12" + M + "BLOCKED" + M))
write("fuzz_network_framing", "oversized", network("256.1.1.1", ";SQL;" + "x" * 300 + M, bound=100))
write("fuzz_network_framing", "zoe", network("1.2.3", ";INCOMING CALLER;|1|Zoë|" + M, splits=(21, 1)))

# --- the data files ------------------------------------------------------------------------------------
write("fuzz_attribute_groups_file", "defaults",
      '"Default",16711680,"FALSE","/s/Xylophone.wav"\r\n"VIP Callers",65280,"FALSE","/s/Snaredrumroll.wav"\r\n'
      '"Block Calls",255,"TRUE","/s/Alarm.wav"\r\n')
write("fuzz_attribute_groups_file", "mixed",
      '"A",12ab,"TRUE","a.wav"\n"B",,"false","b.wav"\r\n"C","255",#TRUE#,"c.wav"\r\n"D",2.5,0,"d.wav"\r\n\r\n')
write("fuzz_attribute_groups_file", "bad-lines",
      '"One",1,#FALSE#,""\r\n"Two",2,"maybe",""\r\n"Short",2\r\n"Huge",1e40,#FALSE#,""\r\n"Three",3,#FALSE#,""\r\n')
write("fuzz_attribute_groups_file", "quotes",
      '"Say ""hi""",-1,#TRUE#,"C:\\a ""b"".wav"\r\n"Two\r\nlines",2,#FALSE#,""\r\n"open,3,#FALSE#,""\r\n')
write("fuzz_attribute_groups_file", "case", '"Work",1,#FALSE#,""\r\n"WORK",2,#TRUE#,""\r\n')

write("fuzz_statistics_file", "items",
      '"Statistic","Long Calls","fldRings > 5","NONE"\r\n'
      '"Statistic","Some Rings","fldRings In (1,2,3)","AVERAGE RINGS"\r\n'
      '"Group","Work","fldNumber Like \'555*\'"\r\n')
write("fuzz_statistics_file", "damaged",
      '"junk","Group","Found","fldRings = 1"\r\n"Statistic","Short","fldRings > 1"\r\n'
      'garbage without quotes\r\n"Group","Work",""\r\n')

# --- the settings file ---------------------------------------------------------------------------------
write("fuzz_settings", "first-run",
      "[frmMain]\nAscending=True\nCol0=2158\nSortCol=2\n\n[frmMiniDisplay]\nCallerInfo=\";Total Calls;Calls in "
      "the Last Day;\"\nLogSize=10\n\n[frmConfiguration]\nCommSettings=\"9600,N,8,1\"\n"
      "ImmediateSound=/home/u/.local/share/Velquon/Sounds/Button.wav\nBlockedIPs=\";127.0.0.1 R;\"\n")
write("fuzz_settings", "awkward",
      "[frmFind]\nCustomSQL=\"fldName Like 'A*' And fldDate > #1/1/2024#\"\nA=\" starts with a blank\"\n"
      "B=say \\\"hi\\\"\nC=C:\\\\Sounds\\\\a.wav\nD=@@x\nE=@Invalid()\nF=\"a\\x1bc\"\"\\0\"\nG=Zo\xc3\xab\n")
write("fuzz_settings", "hand-edit",
      "; a comment\n# another\n[frmMiniDisplay]\nCallerInfo=;Total Calls;Most Calls in a Week;\n"
      "BlockedIPs = 10.0.0.1 B, 10.0.0.2 R \nBlank=\n[%General]\nk=v\n")
write("fuzz_settings", "damaged",
      b"[frmMain]\r\nSortCol=3\r\nno equals sign\r\n=empty key\r\nName=\"never closed\r\nBad=\xff\xfe\r\n"
      b"Nul=a\x01b\r\n[frmFind\r\nLost=1\r\n[frmConfiguration]\r\nSound=False\r\n\n[\x01\xfe\n")

# --- the query dialect ---------------------------------------------------------------------------------
def jet(which, first, rest):
    return text_then_rest(first.encode(), rest.encode("utf-8")) + in_range(which, 0, 2)


write("fuzz_jetsql", "translate-dates", jet(0, "", "Select * From tblCID Where fldDate > #3/21/2024 2:05:07 PM# "
                                                  "And fldName = \"O'Brien\" Or fldRings = True"))
write("fuzz_jetsql", "translate-delete", jet(0, "", "Delete * From tblCID Where Left(fldName, 1) = 'A' -- x"))
write("fuzz_jetsql", "translate-brackets", jet(0, "", "Select [fldName] From tblCID Where fldDate < #12/30/1899#"))
write("fuzz_jetsql", "like-date", jet(1, "2024-03-21 21:05:07", "*/*/*9:*:*PM"))
write("fuzz_jetsql", "like-classes", jet(1, "Smith 42", "[!a-r]m?th #[0-9]"))
write("fuzz_jetsql", "like-bad", jet(1, "x", "[a-"))
write("fuzz_jetsql", "query-like", jet(2, "", "Select * From tblCID Where fldNumber Like '*555*' Order By fldDate"))
write("fuzz_jetsql", "query-functions",
      jet(2, "", "Select UCase(fldName), Mid(fldNumber, 2, 3), InStr(fldName, 'S'), Year(fldDate), "
                 "IIf(fldRings > 1, 'many', 'few'), Weekday(fldDate) From tblCID"))
write("fuzz_jetsql", "query-write", jet(2, "", "Delete * From tblCID"))
write("fuzz_jetsql", "query-drop", jet(2, "", "Drop Table tblCID"))
