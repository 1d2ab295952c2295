"""A fleet of computers made through the agents' own exchange, for tests and benchmarks that need many of them.

Open enrolment: a settings request that hands out the key, then a report carrying it. The server takes only so
many new names a minute from one address, so each block of names comes from its own loopback address."""
import http.client

from kovarig import EXCHANGE_PATH

AGENT_KEY_HEADER = "X-Kova-Agent-Key"
NAMES_PER_ADDRESS = 25


def report_fields(name, alerting=False, **overrides):
    """A report of one watched folder and one disk; `alerting`: the folder holds more than its limit.
    Overrides replace fields by their report key (sOS, sIP, sORUVersion, sDir1, sDiskSpace1, ...)."""
    alert = "1" if alerting else "0"
    fields = {"sComputerName": name, "sIP": "10.0.0.1", "sOS": "Microsoft Windows XP",
              "sOSVersion": "Service Patch: 3", "sORUVersion": "2.2.2", "sRebootTime": "", "sAutoRebootTime": "0",
              "sManualReboot": "", "sSnoozeTime": "0", "sSettingTime": "10", "sCheckUpdate": "2030-01-01_00:00:00"}
    fields.update({f"sDir{s}": "C:\\in" if s == 1 else "" for s in range(1, 11)})
    fields.update({f"sAlert{s}": "10" if s == 1 else "" for s in range(1, 11)})
    fields.update({"sLogFlag": "0", "sLogTime": "", "sLastMessageDate": "", "sAlertStatus": alert, "sDisable": "0"})
    fields.update({f"sDisk{d}": "C:\\" if d == 1 else "" for d in range(1, 5)})
    fields.update({"sDiskSpace1": "100000", "sdiskspace2": "", "sDiskSpace3": "", "sDiskSpace4": ""})
    for s in range(1, 11):
        fields.update({f"sCount{s}": "12" if s == 1 and alerting else "0", f"sSize{s}": "0"})
    fields.update({"sMessage": "System_OK.", "sMessageDate": "", "sAlert": alert})
    fields.update(overrides)
    return fields


def _exchange(connection, body, key=None):
    headers = {"Content-Type": "application/x-www-form-urlencoded"}
    if key:
        headers["Authorization"] = f"Bearer {key}"
    connection.request("POST", EXCHANGE_PATH, body=body, headers=headers)
    reply = connection.getresponse()
    reply.read()
    return reply


def _encoded(fields):
    # The agent's own encoding: blanks already turned into "_", nothing escaped.
    return "&".join(f"{key}={value}" for key, value in fields.items())


def seed(server_url, reports, first=0):
    """Enrols and reports each of `reports` (lists of report fields, as report_fields makes them); `first`: how
    many names earlier calls seeded within the minute, whose addresses are used up."""
    host, port = server_url.removeprefix("http://").split(":")
    connection = None
    for k, fields in enumerate(reports, start=first):
        if connection is None or k % NAMES_PER_ADDRESS == 0:
            if connection:
                connection.close()
            block = k // NAMES_PER_ADDRESS
            connection = http.client.HTTPConnection(
                host, int(port), source_address=(f"127.1.{block // 250}.{block % 250 + 1}", 0))
        name = fields["sComputerName"]
        key = _exchange(connection, f"servercode={name}").getheader(AGENT_KEY_HEADER)
        reply = _exchange(connection, _encoded(fields), key)
        assert reply.status == 200, (name, reply.status)
    if connection:
        connection.close()
