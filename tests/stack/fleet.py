"""Simulated agents: the settings request and the status report as the agent sends them, with the key the
server issues on enrolment sent back on every later request."""

import functools
import http.client
import ssl
import time

from kovarig import EXCHANGE_PATH as ENDPOINT

FORM = {"Content-Type": "application/x-www-form-urlencoded"}


def report_keys():
    keys = ["sComputerName", "sIP", "sOS", "sOSVersion", "sORUVersion", "sRebootTime", "sAutoRebootTime",
            "sManualReboot", "sSnoozeTime", "sSettingTime", "sCheckUpdate"]
    keys += [f"sDir{i}" for i in range(1, 11)] + [f"sAlert{i}" for i in range(1, 11)]
    keys += ["sLogFlag", "sLogTime", "sLastMessageDate", "sAlertStatus", "sDisable"]
    keys += [f"sDisk{i}" for i in range(1, 5)] + ["sDiskSpace1", "sdiskspace2", "sDiskSpace3", "sDiskSpace4"]
    for slot in range(1, 11):
        keys += [f"sCount{slot}", f"sSize{slot}"]
    return keys + ["sMessage", "sMessageDate", "sAlert"]


KEYS = report_keys()


def report_body(name, message):
    """A plain report: names and messages of letters, digits and '-' need no escaping."""
    values = dict.fromkeys(KEYS, "")
    values.update(sComputerName=name, sIP="10.0.0.1", sOS="Linux", sDisable="0", sMessage=message,
                  sAlertStatus="0", sDisk1="/", sDiskSpace1="52")
    return "&".join(f"{k}={values[k]}" for k in KEYS).encode()


def new_client_context():
    """A context of the caller's own, free to narrow (versions, ciphers) without touching the agents'."""
    context = ssl.create_default_context()
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE
    return context


# Loading the trusted certificates costs more than a handshake, and a fleet makes many: the agents share one.
client_context = functools.cache(new_client_context)


class Agent:
    def __init__(self, name, source=None):
        self.name = name
        self.source = source
        self.key = None
        self.connection = None

    def connect(self, host, port, tls):
        source = (self.source, 0) if self.source else None
        if tls:
            self.connection = http.client.HTTPSConnection(host, port, timeout=10, context=client_context(),
                                                          source_address=source)
        else:
            self.connection = http.client.HTTPConnection(host, port, timeout=10, source_address=source)

    def post(self, body):
        headers = dict(FORM)
        if self.key:
            headers["Authorization"] = f"Bearer {self.key}"
        started = time.perf_counter()
        try:
            self.connection.request("POST", ENDPOINT, body=body, headers=headers)
            response = self.connection.getresponse()
            data = response.read()
        except (OSError, http.client.HTTPException) as failure:
            self.connection.close()
            return None, str(failure), time.perf_counter() - started
        if response.getheader("Connection", "").lower() == "close":
            self.connection.close()
        issued = response.getheader("X-Kova-Agent-Key")
        if issued:
            self.key = issued
        return response.status, data, time.perf_counter() - started

    def settings(self):
        return self.post(f"servercode={self.name}".encode())

    def report(self, message):
        return self.post(report_body(self.name, message))
