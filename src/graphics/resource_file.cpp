#include "graphics/resource_file.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "graphics/background.h"
#include "graphics/sprite.h"
#include "graphics/sprite_create.h"
#include "graphics/sprite_draw.h"
#include "io/file_paths.h"
#include "io/json_doc.h"

namespace {

constexpr long kMaxDescriptionBytes = 1L << 20;

bool ReadText(const std::string& path, std::string& out) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rbe"), &std::fclose);
    if (!f) return false;
    char chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
        if (out.size() + n > size_t(kMaxDescriptionBytes)) return false;
        out.append(chunk, n);
    }
    return !std::ferror(f.get());
}

// A description file, parsed, with the folder its picture names are relative to.
struct TDescription {
    CJsonDoc doc;
    CLineErrors errors;
    std::string folder;

    bool Open(const std::string& name, std::string& error) {
        const std::string path = FilePaths_Resolve(name);
        std::string text;
        if (name.empty() || !ReadText(path, text)) {
            error = name + ": the file cannot be read";
            return false;
        }
        const size_t slash = path.rfind('/');
        folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        if (!doc.Parse(name, text, errors)) return Fail(error);
        if (!Json_IsObject(doc.Root())) {
            error = name + ": the file must hold one JSON object";
            return false;
        }
        return true;
    }
    std::string PathOf(const std::string& rel) const {
        const std::string n = FilePaths_Normalise(rel);
        return FilePaths_IsAbsolute(n) ? n : folder + n;
    }
    bool Picture(CJsonFields& f, const char* key, const std::string& rel, CBitmap32& out) {
        std::vector<CBitmap32> frames;
        if (rel.empty() || !Bitmap_LoadFile(PathOf(rel), frames) || frames.empty()) {
            f.Error(key, "\"" + rel + "\" is not a picture that can be read");
            return false;
        }
        out = std::move(frames[0]);
        return true;
    }
    bool Fail(std::string& error) const {
        error = errors.List().empty() ? doc.File() + ": the file cannot be used" : errors.List()[0].Text();
        return false;
    }
};

bool Numbers(CJsonFields& f, const char* key, json_object* v, double* out, size_t n) {
    if (!Json_IsArray(v) || Json_ArrayLength(v) != n) {
        f.Error(key, std::string("\"") + key + "\" must be a list of " + std::to_string(n) + " whole numbers");
        return false;
    }
    for (size_t i = 0; i < n; ++i)
        if (!Json_NumberValue(Json_ArrayAt(v, i), out[i]) || out[i] != std::floor(out[i]) || std::fabs(out[i]) > 1e9) {
            f.Error(key, std::string("\"") + key + "\" must be a list of " + std::to_string(n) + " whole numbers");
            return false;
        }
    return true;
}

bool ReadFrames(TDescription& d, CJsonFields& f, std::vector<CBitmap32>& frames) {
    json_object* list = f.Get("frames");
    json_object* strip = f.Get("strip");
    if (!!list == !!strip) {
        f.Error("a sprite needs either \"frames\" (a list of picture files) or \"strip\"");
        return false;
    }
    if (list) {
        if (!Json_IsArray(list) || Json_ArrayLength(list) == 0) {
            f.Error("frames", "\"frames\" must be a non-empty list of picture file names");
            return false;
        }
        for (size_t i = 0; i < Json_ArrayLength(list); ++i) {
            CBitmap32 picture;
            if (!d.Picture(f, "frames", Json_StringValue(Json_ArrayAt(list, i)), picture)) return false;
            if (!frames.empty() && (picture.Width() != frames[0].Width() || picture.Height() != frames[0].Height())) {
                f.Error("frames", "all frames of a sprite have one size");
                return false;
            }
            frames.push_back(std::move(picture));
        }
        return true;
    }
    CJsonFields sf(d.doc, d.errors, Json_IsObject(strip) ? strip : nullptr, d.doc.ValueLine(strip),
                   f.What() + " strip");
    if (!Json_IsObject(strip)) {
        f.Error("strip", "\"strip\" must be {\"file\": \"...\", \"frames\": N}");
        return false;
    }
    int32_t count = 1;
    std::string file;
    sf.Int("frames", count, 1, 4096);
    sf.String("file", file);
    sf.CheckUnknown();
    CBitmap32 picture;
    if (d.errors.Any() || !d.Picture(sf, "file", file, picture)) return false;
    if (picture.Width() % count != 0) {
        sf.Error("frames", "the strip's width does not divide into " + std::to_string(count) + " frames");
        return false;
    }
    const int w = picture.Width() / count;
    for (int i = 0; i < count; ++i) frames.push_back(picture.Crop(i * w, 0, w, picture.Height()));
    return true;
}

}  // namespace

int Sprite_FromDescription(const std::string& name, int id, std::string& error) {
    TDescription d;
    if (!d.Open(name, error)) return -1;
    CJsonFields f(d.doc, d.errors, d.doc.Root(), 1, "sprite");
    std::vector<CBitmap32> frames;
    if (!ReadFrames(d, f, frames)) return d.Fail(error), -1;
    const int w = frames[0].Width(), h = frames[0].Height();

    CPictureOptions o;
    o.precise = false;
    int32_t tolerance = 0;
    std::string masks = "per_frame";
    bool trim = true;
    f.Bool("precise", o.precise);
    f.Bool("transparent", o.transparent);
    f.Bool("smooth", o.smooth);
    f.Bool("preload", o.preload);
    f.Bool("trim", trim);
    f.Int("alpha_tolerance", tolerance, 0, 254);
    if (f.String("masks", masks) && masks != "per_frame" && masks != "shared")
        f.Error("masks", "\"masks\" must be \"per_frame\" or \"shared\"");
    int xo = 0, yo = 0;
    if (json_object* origin = f.Get("origin")) {
        const std::string word = Json_StringValue(origin);
        double xy[2];
        if (word == "centre" || word == "center") {
            xo = w / 2;
            yo = h / 2;
        } else if (Numbers(f, "origin", origin, xy, 2)) {
            xo = int(xy[0]);
            yo = int(xy[1]);
        }
    }
    int mode = 0;
    double box[4] = {0, 0, 0, 0};
    if (json_object* bbox = f.Get("bbox")) {
        const std::string word = Json_StringValue(bbox);
        if (word == "full") mode = 1;
        else if (word != "automatic" && Numbers(f, "bbox", bbox, box, 4)) mode = 2;
    }
    f.CheckUnknown();
    if (d.errors.Any()) return d.Fail(error), -1;

    const int index = id < 0 ? Sprite_AddPictures(std::move(frames), o, xo, yo)
                             : (Sprite_ReplacePictures(id, std::move(frames), o, xo, yo) ? id : -1);
    if (index < 0) {
        error = name + ": the sprite cannot be made";
        return -1;
    }
    CSprite* s = Sprite_Get(index);
    if (o.precise || mode != 0) {
        // The masks and the box as the project's packer makes them: solid where the
        // alpha is above the tolerance, inside the box.
        Sprite_CollisionMask(index, masks != "shared", mode, int(box[0]), int(box[2]), int(box[1]), int(box[3]), 0,
                             tolerance);
        s->precise = o.precise;
        if (!o.precise) s->masks.clear(), s->separateMasks = false;
    }
    return index;
}

int Background_FromDescription(const std::string& name, int id, std::string& error) {
    TDescription d;
    if (!d.Open(name, error)) return -1;
    CJsonFields f(d.doc, d.errors, d.doc.Root(), 1, "background");
    CPictureOptions o;
    o.transparent = false;
    std::string file;
    if (!f.String("file", file)) f.Error("a background needs its \"file\"");
    f.Bool("transparent", o.transparent);
    f.Bool("smooth", o.smooth);
    f.Bool("preload", o.preload);
    f.CheckUnknown();
    CBitmap32 picture;
    if (d.errors.Any() || !d.Picture(f, "file", file, picture)) return d.Fail(error), -1;
    const int index = id < 0 ? Background_AddPicture(std::move(picture), o)
                             : (Background_ReplacePicture(id, std::move(picture), o) ? id : -1);
    if (index < 0) error = name + ": the background cannot be made";
    return index;
}
