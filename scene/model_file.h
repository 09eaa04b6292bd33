// The model file: a scene as versioned JSON (application, pages, parts, shapes with their
// components, typed variables, profile chains and finishes, catalogs), saved atomically and
// read back exactly; a file that cannot be read as a model is refused with a message naming it.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "runtime/file_lock.h"
#include "scene/scene.h"

namespace cavix::scene {

inline constexpr const char* kModelFormat = "cavix-model";
inline constexpr int kModelVersion = 1;
// How a shape's solid (Shape::Solid) is stored: "solid": {"format": "brep", "text": …}.
inline constexpr const char* kSolidFormat = "brep";

// One shape as the model file stores it (also what `cavix show --json` prints), and the whole
// model: the written text read back, so both say exactly what a file holds (numbers from the
// text: a positive integer reads as unsigned).
nlohmann::ordered_json ShapeToJson(const Shape& shape);
nlohmann::ordered_json ModelToJson(const Scene& scene);
// The text written to a model file: indented JSON ending with a line feed.
std::string ModelText(const Scene& scene);

// Builds a scene from a model document; `path` only names the file in messages. Raises 321
// "model file "PATH": WHERE: PROBLEM" for anything that is not a model of this version. A part's
// long shape list is read on `jobs` workers; the scene and any message are the same for any number.
std::unique_ptr<Scene> ModelFromJson(const nlohmann::ordered_json& doc, const std::string& path,
                                     int jobs = 1);
// A large text is parsed on `jobs` workers; the scene and any message are the same for any number.
std::unique_ptr<Scene> ModelFromText(std::string_view text, const std::string& path, int jobs = 1);

// The most a model file may hold: a larger file is refused before it is read, and a model that
// would be larger is not written. It admits the most one drop places, 100 000 holes of the
// largest kind (a threaded counterdrill, 7.8 kB each: 780 MB), with room for a long application
// folder path, which each threaded hole's texture repeats. Reading that takes about 4 GB.
inline constexpr size_t kMaxModelBytes = size_t{1024} << 20;

// Reads a model file: 53 when it does not exist, 70 when the user may not read it, 75 when it is
// not a regular file or larger than kMaxModelBytes, 321 when its content is not a model. Nothing
// is written.
std::unique_ptr<Scene> LoadModel(const std::string& path, int jobs = 1);

// Saving a model that others may be saving too. Every command that changes a model file holds
// its lock from before it reads the file until its save is in place, so that concurrent commands
// lose nothing; the lock waits rt::DefaultLockWait(), then raises 70 naming the file and the
// process that holds it. A window that keeps a model open while the user works takes the lock
// only to save, after checking with rt::StampOf that nobody saved the file since it was read
// (runtime/file_lock.h says how).
rt::FileLock LockModel(const std::string& path);

// Writes the model through a temporary file and a rename: the file is the old one or the whole
// new one, never a part of it. A link is followed and the file it names replaced; a replaced
// file keeps its owner, group and mode; a read-only file or one that is not a regular file is
// refused (rt::WriteFileAtomically). With `mustBeNew` an existing file is refused with 58. A model
// larger than kMaxModelBytes is refused with 75 before anything is written: no reader would take
// it.
void SaveModel(const Scene& scene, const std::string& path, bool mustBeNew = false);
// The same for a model's text already made (ModelText).
void SaveModelText(const std::string& text, const std::string& path, bool mustBeNew = false);

}  // namespace cavix::scene
