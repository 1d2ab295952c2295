-- wrk's side of bench_ingest.py: every connection walks the prepared requests of many enrolled agents
-- (one per line: key, a tab, the form body), so each request speaks for its own computer with its own key.
-- Arguments: REQUESTS_FILE PATH [DELAY_MS] (an empty file name: the URL's own GET); with a delay, each connection waits that long between requests
-- (a fixed rate of about connections * 1000 / DELAY_MS).

local prepared = {}
local next_index = 0
local delay_ms = 0
local thread_count = 0

function setup(thread)
    thread:set("offset", thread_count * 7919)
    thread_count = thread_count + 1
end

function init(args)
    local headers = {["Content-Type"] = "application/x-www-form-urlencoded"}
    if args[1] == "" then
        prepared[1] = wrk.format() -- the URL's own GET, for the reference route
    end
    for line in (args[1] ~= "" and io.lines(args[1]) or function() end) do
        local key, body = line:match("^(%S*)\t(.*)$")
        headers["Authorization"] = key ~= "" and ("Bearer " .. key) or nil
        prepared[#prepared + 1] = wrk.format("POST", args[2], headers, body)
    end
    delay_ms = tonumber(args[3] or "0")
    next_index = (offset or 0) % #prepared
end

function request()
    next_index = next_index % #prepared + 1
    return prepared[next_index]
end

function delay()
    return delay_ms
end

function done(summary, latency, requests)
    local errors = summary.errors
    io.write(string.format("RESULT requests=%d status_errors=%d socket_errors=%d duration_us=%d "
                               .. "p50_ms=%.3f p99_ms=%.3f max_ms=%.3f\n",
        summary.requests, errors.status, errors.connect + errors.read + errors.write + errors.timeout,
        summary.duration, latency:percentile(50) / 1000, latency:percentile(99) / 1000, latency.max / 1000))
end
