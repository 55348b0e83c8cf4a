#include "registry.h"

#include "paramtext.h"

#include "numtext.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace registry {

namespace {

constexpr const char* kAuthority = "EPSG";
constexpr const char* kTransverseMercator = "9807";
constexpr const char* kSouthOrientated = "9808";
constexpr const char* kMetre = "9001";
// PROJ's own degree, so that a parameter in degrees passes through untouched.
constexpr double kDegree = 0.017453292519943295;

// Owns one PROJ object.
struct Obj {
    PJ* p = nullptr;
    explicit Obj(PJ* p) : p(p) {}
    ~Obj() { proj_destroy(p); }
    Obj(const Obj&) = delete;
    Obj& operator=(const Obj&) = delete;
    explicit operator bool() const { return p != nullptr; }
};

struct Context {
    PJ_CONTEXT* ctx = proj_context_create();
    Context() { proj_log_level(ctx, PJ_LOG_NONE); }
    ~Context() { proj_context_destroy(ctx); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
};

QString utf8(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

QString codeText(const QString& code) {
    return QStringLiteral("EPSG:") + code;
}

// "US survey foot" -> "US survey feet", for the sentence "is in ... ".
QString unitPlural(const QString& unit) {
    static const std::pair<const char*, const char*> words[] = {
        {"foot", "feet"},    {"yard", "yards"}, {"metre", "metres"},  {"link", "links"},
        {"chain", "chains"}, {"mile", "miles"}, {"fathom", "fathoms"}};
    for (const auto& [one, many] : words) {
        const QRegularExpression re(QStringLiteral("\\b%1\\b").arg(QLatin1String(one)));
        if (unit.contains(re))
            return QString(unit).replace(re, QLatin1String(many));
    }
    return QStringLiteral("units of ") + unit;
}

// The replacements the registry names for a deprecated object, as
// "EPSG:29902 TM65 / Irish Grid"; empty when it names none.
QStringList replacements(PJ_CONTEXT* ctx, PJ* crs) {
    QStringList out;
    PJ_OBJ_LIST* list = proj_get_non_deprecated(ctx, crs);
    if (!list)
        return out;
    const int n = proj_list_get_count(list);
    for (int i = 0; i < n; ++i) {
        Obj o(proj_list_get(ctx, list, i));
        if (!o)
            continue;
        const char* auth = proj_get_id_auth_name(o.p, 0);
        const char* code = proj_get_id_code(o.p, 0);
        QString item = auth && code ? utf8(auth) + QLatin1Char(':') + utf8(code) : QString();
        const QString name = utf8(proj_get_name(o.p));
        if (!name.isEmpty())
            item += (item.isEmpty() ? QString() : QStringLiteral(" ")) + name;
        if (!item.isEmpty() && !out.contains(item))
            out << item;
    }
    proj_list_destroy(list);
    return out;
}

struct Param {
    bool found = false;
    double value = 0;
};

// A conversion parameter by its EPSG code, angles in degrees and lengths in
// metres; a value already in that unit is taken exactly as PROJ holds it.
Param param(PJ_CONTEXT* ctx, PJ* conv, const char* epsgCode) {
    const int n = proj_coordoperation_get_param_count(ctx, conv);
    for (int i = 0; i < n; ++i) {
        const char *name = nullptr, *auth = nullptr, *code = nullptr, *valueString = nullptr,
                   *unitName = nullptr, *unitAuth = nullptr, *unitCode = nullptr,
                   *unitCategory = nullptr;
        double value = 0, factor = 0;
        if (!proj_coordoperation_get_param(ctx, conv, i, &name, &auth, &code, &value, &valueString,
                                           &factor, &unitName, &unitAuth, &unitCode, &unitCategory))
            continue;
        if (!code || std::strcmp(code, epsgCode) != 0)
            continue;
        Param p{true, value};
        const bool angular = unitCategory && std::strcmp(unitCategory, "angular") == 0;
        if (angular && factor != kDegree && factor > 0)
            p.value = value * factor / kDegree;
        else if (!angular && factor != 1 && factor > 0)
            p.value = value * factor;
        return p;
    }
    return {};
}

// Decides whether a projected CRS is usable and, when it is, fills the rest.
Grid classify(PJ_CONTEXT* ctx, PJ* crs, const QString& code, bool deprecated) {
    Grid g;
    g.code = codeText(code);
    g.name = utf8(proj_get_name(crs));
    const QString who = g.code + QLatin1Char(' ') + g.name;
    auto refuse = [&](const QString& why) {
        g.usable = false;
        g.reason = who + why;
        return g;
    };

    Obj conv(proj_crs_get_coordoperation(ctx, crs));
    const char *methodName = nullptr, *methodAuth = nullptr, *methodCode = nullptr;
    if (!conv ||
        !proj_coordoperation_get_method_info(ctx, conv.p, &methodName, &methodAuth, &methodCode))
        return refuse(QStringLiteral(" has no conversion that PROJ can read"));
    const bool epsgMethod = methodAuth && std::strcmp(methodAuth, kAuthority) == 0 && methodCode;
    if (epsgMethod && std::strcmp(methodCode, kSouthOrientated) == 0)
        return refuse(QStringLiteral(" is south-orientated (its coordinates increase to the west "
                                     "and south); Quillmar works with eastings and northings"));
    if (!epsgMethod || std::strcmp(methodCode, kTransverseMercator) != 0)
        return refuse(QStringLiteral(" is not Transverse Mercator but %1").arg(utf8(methodName)));

    Obj cs(proj_crs_get_coordinate_system(ctx, crs));
    const int axes = cs ? proj_cs_get_axis_count(ctx, cs.p) : 0;
    if (axes != 2)
        return refuse(QStringLiteral(" does not have two axes; Quillmar works with eastings and "
                                     "northings"));
    QString directions[2];
    for (int i = 0; i < 2; ++i) {
        const char *name = nullptr, *abbrev = nullptr, *direction = nullptr, *unitName = nullptr,
                   *unitAuth = nullptr, *unitCode = nullptr;
        double factor = 0;
        proj_cs_get_axis_info(ctx, cs.p, i, &name, &abbrev, &direction, &factor, &unitName,
                              &unitAuth, &unitCode);
        const bool metre = factor == 1 && unitCode && std::strcmp(unitCode, kMetre) == 0;
        if (!metre)
            return refuse(QStringLiteral(" is in %1; Quillmar works in metres")
                              .arg(unitPlural(utf8(unitName))));
        directions[i] = utf8(direction).toLower();
    }
    const bool eastNorth =
        directions[0] == QLatin1String("east") && directions[1] == QLatin1String("north");
    const bool northEast =
        directions[0] == QLatin1String("north") && directions[1] == QLatin1String("east");
    if (!eastNorth && !northEast)
        return refuse(QStringLiteral(" has axes towards %1 and %2; Quillmar works with eastings "
                                     "and northings")
                          .arg(directions[0], directions[1]));
    if (deprecated) {
        const QStringList use = replacements(ctx, crs);
        if (use.isEmpty())
            return refuse(QStringLiteral(" is deprecated and the registry names no replacement"));
        return refuse(
            QStringLiteral(" is deprecated; use %1 instead").arg(use.join(QStringLiteral(" or "))));
    }

    const Param lat = param(ctx, conv.p, "8801"), lon = param(ctx, conv.p, "8802"),
                k = param(ctx, conv.p, "8805"), fe = param(ctx, conv.p, "8806"),
                fn = param(ctx, conv.p, "8807");
    Obj ellipsoid(proj_get_ellipsoid(ctx, crs));
    double a = 0, b = 0, rf = 0;
    int computed = 0;
    if (!lat.found || !lon.found || !k.found || !fe.found || !fn.found || !ellipsoid ||
        !proj_ellipsoid_get_parameters(ctx, ellipsoid.p, &a, &b, &computed, &rf))
        return refuse(QStringLiteral(" lacks a parameter that Quillmar needs"));

    g.usable = true;
    g.northingFirst = northEast;
    g.params = {a, Eccentricity_Squared(rf), k.value, fe.value, fn.value, lat.value, lon.value};
    g.inverseFlattening = rf;
    g.texts = {g.name,
               catalogue::Number_Text(g.params.a),
               catalogue::Number_Text(g.params.e2),
               catalogue::Number_Text(g.params.k0),
               catalogue::Number_Text(g.params.fe),
               catalogue::Number_Text(g.params.fn),
               Degree_Text(g.params.lat0, 'N', 'S'),
               Degree_Text(g.params.lon0, 'E', 'W')};
    g.projString = Proj_String(g.params, rf);
    Obj geographic(proj_crs_get_geodetic_crs(ctx, crs));
    if (geographic) {
        const char* auth = proj_get_id_auth_name(geographic.p, 0);
        const char* id = proj_get_id_code(geographic.p, 0);
        if (auth && id)
            g.geographicCode = utf8(auth) + QLatin1Char(':') + utf8(id);
    }
    return g;
}

QString number(double x) {
    return catalogue::Number_Text(x);
}

// Shortest inverse-flattening text that gives back e2 exactly; the nearest
// value when none does.
QString inverseFlatteningText(double e2) {
    // 1/f = (1 + sqrt(1 - e2)) / e2: the form 1/(1 - sqrt(1 - e2)) loses
    // three digits to the difference.
    const double rf = (1 + std::sqrt(1 - e2)) / e2;
    for (int digits = 1; digits <= 17; ++digits) {
        const double v = QString::number(rf, 'g', digits).toDouble();
        if (Eccentricity_Squared(v) == e2)
            return number(v);
    }
    return number(rf);
}

bool finite(const Params& p) {
    for (double x : {p.a, p.e2, p.k0, p.fe, p.fn, p.lat0, p.lon0})
        if (!std::isfinite(x))
            return false;
    return true;
}

QString ellipsoidText(double a, double e2, double rf) {
    if (e2 == 0)
        return QStringLiteral("+a=%1 +b=%1").arg(number(a));
    return QStringLiteral("+a=%1 +rf=%2")
        .arg(number(a), rf > 0 ? number(rf) : inverseFlatteningText(e2));
}

QString tmercString(const Params& p, double rf) {
    if (!finite(p) || !(p.e2 >= 0 && p.e2 < 1) || !(p.a > 0))
        return {};
    return QStringLiteral("+proj=tmerc +lat_0=%1 +lon_0=%2 +k=%3 +x_0=%4 +y_0=%5 %6 +units=m "
                          "+no_defs")
        .arg(number(p.lat0), number(p.lon0), number(p.k0), number(p.fe), number(p.fn),
             ellipsoidText(p.a, p.e2, rf));
}

} // namespace

double Eccentricity_Squared(double inverseFlattening) {
    if (inverseFlattening == 0)
        return 0;
    const double f = 1 / inverseFlattening;
    return f * (2 - f);
}

QString Degree_Text(double degrees, char positive, char negative) {
    return number(std::fabs(degrees)) + QLatin1Char(' ') +
           QLatin1Char(degrees < 0 ? negative : positive);
}

QString Proj_String(const Params& p) {
    return tmercString(p, 0);
}

QString Proj_String(const Params& p, double inverseFlattening) {
    // An inverse flattening that does not give this e2 would describe another
    // ellipsoid: the string must say what the numbers say.
    if (inverseFlattening > 0 && Eccentricity_Squared(inverseFlattening) != p.e2)
        inverseFlattening = 0;
    return tmercString(p, inverseFlattening);
}

QString Geographic_Proj_String(double a, double e2) {
    if (!std::isfinite(a) || !std::isfinite(e2) || !(a > 0) || !(e2 >= 0 && e2 < 1))
        return {};
    return QStringLiteral("+proj=longlat %1 +no_defs").arg(ellipsoidText(a, e2, 0));
}

std::optional<Params> Params_From_Texts(const catalogue::EntryTexts& t, QString* error) {
    auto fail = [&](const char* field) -> std::optional<Params> {
        if (error)
            *error = QStringLiteral("%1 does not read.").arg(QLatin1String(field));
        return std::nullopt;
    };
    Params p;
    const std::pair<const QString*, double*> numbers[] = {{&t.sma, &p.a},
                                                          {&t.eccentricity, &p.e2},
                                                          {&t.Scale, &p.k0},
                                                          {&t.FE, &p.fe},
                                                          {&t.FN, &p.fn}};
    const char* const labels[] = {"Semi Major Axis", "Eccentricity ^2", "Scale Factor",
                                  "False Easting", "False Northing"};
    for (size_t i = 0; i < std::size(numbers); ++i) {
        const auto v = numtext::To_Number(numbers[i].first->toStdString());
        if (!v)
            return fail(labels[i]);
        *numbers[i].second = *v;
    }
    // The windows' readers, decimals kept.
    const auto lat = numtext::Read_Origin(t.Lat.toStdString());
    if (!lat)
        return fail("Latitude of origin");
    const auto lon = numtext::Read_Meridian(t.meridian.toStdString());
    if (!lon)
        return fail("Central meridian");
    p.lat0 = *lat;
    p.lon0 = *lon;
    return p;
}

// --- the registry ----------------------------------------------------------

struct Registry::Impl {
    std::vector<Grid> grids; // by code number
    std::vector<int> numbers;
    std::vector<QString> folded; // names, case folded, for the search
    std::unordered_map<int, size_t> byNumber;
    int usable = 0;
    QString error;
    double ms = 0;
};

Registry& Registry::Instance() {
    static Registry r;
    return r;
}

Registry::Registry() : d(std::make_unique<Impl>()) {}
Registry::~Registry() = default;

std::optional<int> Registry::Code_Number(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(?:EPSG\\s*(?::|\\s)\\s*)?(\\d{1,9})\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

void Registry::ensureLoaded() {
    std::call_once(loaded_, [this] {
        QElapsedTimer timer;
        timer.start();
        Context c;
        PROJ_CRS_LIST_PARAMETERS* params = proj_get_crs_list_parameters_create();
        PJ_TYPE type = PJ_TYPE_PROJECTED_CRS;
        params->types = &type;
        params->typesCount = 1;
        params->allow_deprecated = 1;
        int count = 0;
        PROJ_CRS_INFO** list =
            proj_get_crs_info_list_from_database(c.ctx, kAuthority, params, &count);
        proj_get_crs_list_parameters_destroy(params);
        if (!list) {
            d->error = QStringLiteral("The EPSG registry of PROJ (proj.db) could not be read: %1")
                           .arg(utf8(proj_context_errno_string(c.ctx, proj_context_errno(c.ctx))));
            d->ms = timer.nsecsElapsed() / 1e6;
            return;
        }
        std::vector<Grid> grids;
        grids.reserve(count);
        for (int i = 0; i < count; ++i) {
            const PROJ_CRS_INFO* info = list[i];
            const QString code = utf8(info->code);
            const QString method = utf8(info->projection_method_name);
            // Only a grid whose method could be Transverse Mercator is worth
            // building; the others are refused by their method's name.
            if (method.contains(QLatin1String("Transverse Mercator"))) {
                Obj crs(proj_create_from_database(c.ctx, kAuthority, info->code, PJ_CATEGORY_CRS, 0,
                                                  nullptr));
                if (crs) {
                    grids.push_back(classify(c.ctx, crs.p, code, info->deprecated));
                    continue;
                }
            }
            Grid g;
            g.code = codeText(code);
            g.name = utf8(info->name);
            g.reason = g.code + QLatin1Char(' ') + g.name +
                       QStringLiteral(" is not Transverse Mercator but %1").arg(method);
            grids.push_back(std::move(g));
        }
        proj_crs_info_list_destroy(list);

        std::vector<std::pair<int, size_t>> order;
        order.reserve(grids.size());
        for (size_t i = 0; i < grids.size(); ++i)
            order.emplace_back(grids[i].code.mid(5).toInt(), i);
        std::sort(order.begin(), order.end());
        for (const auto& [n, i] : order) {
            d->byNumber.emplace(n, d->grids.size());
            d->numbers.push_back(n);
            d->folded.push_back(grids[i].name.toCaseFolded());
            d->usable += grids[i].usable ? 1 : 0;
            d->grids.push_back(std::move(grids[i]));
        }
        d->ms = timer.nsecsElapsed() / 1e6;
    });
}

std::vector<Grid> Registry::Search(const QString& query, bool includeUnusable) {
    ensureLoaded();
    std::vector<Grid> out;
    auto take = [&](size_t i) {
        if (includeUnusable || d->grids[i].usable)
            out.push_back(d->grids[i]);
    };
    if (const auto n = Code_Number(query)) {
        const QString digits = QString::number(*n);
        const auto exact = d->byNumber.find(*n);
        if (exact != d->byNumber.end())
            take(exact->second);
        // The codes that begin with what has been typed so far.
        for (size_t i = 0; i < d->grids.size(); ++i)
            if (d->numbers[i] != *n && d->grids[i].code.mid(5).startsWith(digits))
                take(i);
        return out;
    }
    const QStringList words =
        query.toCaseFolded().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (size_t i = 0; i < d->grids.size(); ++i) {
        if (!includeUnusable && !d->grids[i].usable)
            continue;
        const QString& name = d->folded[i];
        if (std::all_of(words.begin(), words.end(),
                        [&](const QString& w) { return name.contains(w); }))
            out.push_back(d->grids[i]);
    }
    return out;
}

Grid Registry::Lookup(const QString& code) {
    Grid g;
    const auto n = Code_Number(code);
    if (!n) {
        g.code = code.trimmed();
        g.reason = QStringLiteral("%1 is not an EPSG code such as 2157 or EPSG:2157")
                       .arg(g.code.isEmpty() ? QStringLiteral("An empty text") : g.code);
        return g;
    }
    ensureLoaded();
    const auto found = d->byNumber.find(*n);
    if (found != d->byNumber.end())
        return d->grids[found->second];

    g.code = codeText(QString::number(*n));
    if (!d->error.isEmpty()) {
        g.reason = d->error;
        return g;
    }
    // Not a projected CRS: it may still be another kind of object.
    std::lock_guard lock(mutex_);
    Context c;
    const QByteArray digits = QByteArray::number(*n);
    Obj crs(proj_create_from_database(c.ctx, kAuthority, digits.constData(), PJ_CATEGORY_CRS, 0,
                                      nullptr));
    if (crs) {
        g.name = utf8(proj_get_name(crs.p));
        g.reason = g.code + QLatin1Char(' ') + g.name +
                   QStringLiteral(" is not a projected grid; Quillmar needs a Transverse "
                                  "Mercator grid");
    } else {
        g.reason = g.code + QStringLiteral(" is not in the registry");
    }
    return g;
}

int Registry::usableCount() {
    ensureLoaded();
    return d->usable;
}

int Registry::totalCount() {
    ensureLoaded();
    return int(d->grids.size());
}

QString Registry::loadError() {
    ensureLoaded();
    return d->error;
}

double Registry::loadMilliseconds() {
    ensureLoaded();
    return d->ms;
}

} // namespace registry
