// quillmar-batch's record reading and conversion on any input.
//
// Input: line 0 picks the command and its options (first byte: low three
// bits the command, bit 3 --minutes, bit 4 --grid, bit 5 --layout minutes,
// each only where the tool takes it); line 1 is a --params value; every
// further line is a record. A --params value the tool would refuse is
// replaced by the Airy / National Grid set.
//
// Checked: a split record written back with Append_Field splits into the
// same fields; a converter reused over many records gives what a fresh one
// gives; results are numbers or layout texts, never "inf" or "nan".
#include "csv.h"
#include "paramtext.h"
#include "plaindecimal.h"
#include "records.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, std::string_view line, std::string_view detail) {
    std::fprintf(stderr, "%s\nrecord: \"%.*s\"\ndetail: \"%.*s\"\n", what,
                 static_cast<int>(line.size()), line.data(), static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

const char* const kAiry = "6377563.396,0.00667054,0.9996012717,400000,-100000,49 N,2 W";

// settingsFor() of the tool, for --params only.
bool paramsSettings(std::string_view text, batch::Settings& s) {
    std::vector<std::string_view> f;
    std::string unquoted, error;
    if (!batch::Split_Record(text, f, unquoted, error) || f.size() != 7)
        return false;
    numtext::ParameterTexts t;
    for (size_t i = 0; i < 7; ++i)
        t.text[i + 1] = std::string(f[i]);
    const numtext::ParameterReading r = numtext::Read_Parameters(t, {false, false});
    if (!r.values)
        return false;
    const numtext::ParameterNumbers& n = *r.values;
    s.inForce = convert::Make_In_Force({n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0});
    return s.inForce.projection != nullptr;
}

void checkRoundTrip(std::string_view line, const std::vector<std::string_view>& fields) {
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            joined += ',';
        batch::Append_Field(joined, fields[i]);
    }
    std::vector<std::string_view> again;
    std::string unquoted, error;
    if (!batch::Split_Record(joined, again, unquoted, error))
        fail("written record does not split", line, joined + " / " + error);
    if (again != fields)
        fail("written record splits differently", line, joined);
}

void checkResults(const batch::Settings& s, std::string_view line, const std::string& out) {
    if (out.empty() || out[0] != ',')
        fail("results do not start with a comma", line, out);
    std::vector<std::string_view> r;
    std::string unquoted, error;
    if (!batch::Split_Record(std::string_view(out).substr(1), r, unquoted, error) || r.size() != 2)
        fail("results are not two fields", line, out);
    for (std::string_view t : r) {
        for (const char* bad : {"inf", "nan"})
            if (t.find(bad) != std::string_view::npos)
                fail("inf or nan in a result", line, out);
        if (s.command != batch::Command::Grid2Geog && !plainDecimal(t))
            fail("result is not a number", line, out);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    auto nextLine = [&in]() {
        const auto nl = in.find('\n');
        const std::string_view line = in.substr(0, nl);
        in = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);
        return line;
    };
    const std::string_view options = nextLine();
    const unsigned o = options.empty() ? 0u : static_cast<unsigned char>(options[0]);

    batch::Settings s;
    s.command = static_cast<batch::Command>((o & 7) % 5);
    const bool geog2grid = s.command == batch::Command::Geog2Grid;
    const bool distance = s.command == batch::Command::Distance;
    s.minutes = (o & 8) && (geog2grid || distance);
    s.grid = (o & 16) && distance && !s.minutes;
    s.layoutMinutes = (o & 32) && s.command == batch::Command::Grid2Geog;
    const std::string_view params = nextLine();
    if (!paramsSettings(params, s) && !paramsSettings(kAiry, s))
        fail("the Airy parameter set is refused", kAiry, "");

    batch::Converter reused(s);
    std::vector<std::string_view> fields;
    std::string unquoted, error, out, message;
    for (int n = 0; n < 64 && !in.empty(); ++n) {
        std::string_view line = nextLine();
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!batch::Split_Record(line, fields, unquoted, error)) {
            if (error.empty())
                fail("refused record without a reason", line, "");
            continue;
        }
        checkRoundTrip(line, fields);
        if (fields.size() != batch::Field_Count(s))
            continue;
        out.clear();
        message.clear();
        const bool ok = reused.Convert(fields, out, message);
        batch::Converter fresh(s);
        std::string freshOut, freshMessage;
        const bool freshOk = fresh.Convert(fields, freshOut, freshMessage);
        if (ok != freshOk || out != freshOut || message != freshMessage)
            fail("a reused converter differs from a fresh one", line, out + " / " + freshOut);
        if (ok) {
            checkResults(s, line, out);
        } else {
            if (message.empty())
                fail("refusal without a message", line, "");
            if (!out.empty())
                fail("refusal with results", line, out);
        }
    }
    return 0;
}
