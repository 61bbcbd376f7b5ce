// The Python module `letterfreq`, on the public library
// (include/letterfreq/): detect(), Detector, Database, Error. Texts are
// str (counted as their UTF-8 bytes) or bytes-like; the GIL is released
// while a text is counted and scored, so threads detect side by side.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "letterfreq/letterfreq.h"

namespace py = pybind11;

namespace letterfreq {
namespace {

// The bytes of a str (its UTF-8 form, kept by the str itself) or of a
// bytes-like object; valid while `text` lives.
std::string_view textBytes(const py::handle& text, std::string& copy) {
  if (PyUnicode_Check(text.ptr())) {
    Py_ssize_t length = 0;
    const char* bytes = PyUnicode_AsUTF8AndSize(text.ptr(), &length);
    if (bytes == nullptr) throw py::error_already_set();
    return {bytes, static_cast<size_t>(length)};
  }
  if (PyBytes_Check(text.ptr())) {
    return {PyBytes_AS_STRING(text.ptr()),
            static_cast<size_t>(PyBytes_GET_SIZE(text.ptr()))};
  }
  if (PyObject_CheckBuffer(text.ptr())) {  // bytearray, memoryview
    const py::object bytes =
        py::reinterpret_steal<py::object>(PyBytes_FromObject(text.ptr()));
    if (!bytes) throw py::error_already_set();
    copy.assign(PyBytes_AS_STRING(bytes.ptr()),
                static_cast<size_t>(PyBytes_GET_SIZE(bytes.ptr())));
    return copy;
  }
  throw py::type_error("a text is str or bytes, not " +
                       std::string(py::str(text.get_type().attr("__name__"))));
}

Database openDatabase(const std::string& path, bool readonly, bool create) {
  if (readonly) return Database::open(path);
  // Adding creates a missing file only when asked, so that a mistyped
  // name leaves nothing behind.
  std::error_code error;
  if (!create && !std::filesystem::exists(path, error)) {
    throw Error(path, "no such database");
  }
  return Database::open(path, {OpenMode::ForAdding, nullptr});
}

// A Python Database: the library's, shared with the detectors made of it.
struct PyDatabase {
  std::shared_ptr<Database> database;
};

Detector makeDetector(const py::object& db,
                      std::optional<std::vector<std::string>> only,
                      std::optional<std::vector<std::string>> ignore,
                      double minConfidence, int64_t minLength) {
  const Candidates candidates{only.value_or(std::vector<std::string>{}),
                              ignore.value_or(std::vector<std::string>{})};
  const Thresholds thresholds{minConfidence, minLength};
  if (db.is_none()) {
    return Detector(Database::starter(), candidates, thresholds);
  }
  if (py::isinstance<PyDatabase>(db)) {
    return Detector(*db.cast<PyDatabase&>().database, candidates, thresholds);
  }
  const std::string path = py::str(py::module_::import("os").attr("fspath")(db));
  return Detector(Database::open(path), candidates, thresholds);
}

Answer detectText(const Detector& detector, const py::handle& text) {
  std::string copy;
  const std::string_view bytes = textBytes(text, copy);
  py::gil_scoped_release unlocked;
  return detector.detect(bytes);
}

std::vector<Span> spansOf(const Detector& detector, const py::handle& text) {
  std::string copy;
  const std::string_view bytes = textBytes(text, copy);
  py::gil_scoped_release unlocked;
  return detector.spans(bytes);
}

std::vector<Score> rankText(const Detector& detector, const py::handle& text,
                            const std::string& method) {
  std::string copy;
  const std::string_view bytes = textBytes(text, copy);
  py::gil_scoped_release unlocked;
  return detector.rank(bytes, method);
}

// The detector of letterfreq.detect(): the starter database, made once.
Detector& defaultDetector() {
  static Detector* detector = new Detector();  // lives as the module does
  return *detector;
}

void addResults(py::module_& m) {
  py::class_<Guess>(m, "Guess", "A language and its share of all.")
      .def_readonly("language", &Guess::language)
      .def_readonly("code", &Guess::code)
      .def_readonly("iso6393", &Guess::iso6393)
      .def_readonly("confidence", &Guess::confidence)
      .def("__repr__", [](const Guess& g) {
        return "Guess(" + std::string(py::repr(py::str(g.language))) + ", " +
               std::string(py::repr(py::float_(g.confidence))) + ")";
      });
  py::class_<Answer>(m, "Detection",
                     "The language of a text: language (\"unknown\" with a "
                     "reason), code, iso6393, confidence, alternatives, "
                     "or_language (a close language nearly as likely).")
      .def_readonly("language", &Answer::language)
      .def_readonly("code", &Answer::code)
      .def_readonly("iso6393", &Answer::iso6393)
      .def_readonly("confidence", &Answer::confidence)
      .def_readonly("alternatives", &Answer::alternatives)
      .def_readonly("or_language", &Answer::orLanguage)
      .def_readonly("reason", &Answer::reason)
      .def_property_readonly("known", &Answer::known)
      .def("__repr__", [](const Answer& a) {
        return "Detection(" + std::string(py::repr(py::str(a.language))) +
               ", " + std::string(py::repr(py::float_(a.confidence))) + ")";
      });
  py::class_<Score>(m, "Score", "A language's score by a method.")
      .def_readonly("language", &Score::language)
      .def_readonly("code", &Score::code)
      .def_readonly("score", &Score::score)
      .def("__repr__", [](const Score& s) {
        return "Score(" + std::string(py::repr(py::str(s.language))) + ", " +
               std::string(py::repr(py::float_(s.score))) + ")";
      });
}

void addSpansAndLanguages(py::module_& m) {
  py::class_<Span>(m, "Span",
                   "A run of one language: the bytes [start, end) of the "
                   "text's UTF-8 form, language, code, confidence.")
      .def_readonly("start", &Span::start)
      .def_readonly("end", &Span::end)
      .def_readonly("language", &Span::language)
      .def_readonly("code", &Span::code)
      .def_readonly("iso6393", &Span::iso6393)
      .def_readonly("confidence", &Span::confidence)
      .def("__repr__", [](const Span& s) {
        return "Span(" + std::to_string(s.start) + ", " +
               std::to_string(s.end) + ", " +
               std::string(py::repr(py::str(s.language))) + ")";
      });
  py::class_<Language>(m, "Language",
                       "A language of a database: name, code, iso6393, "
                       "entries and the bytes counted in them.")
      .def_readonly("name", &Language::name)
      .def_readonly("code", &Language::code)
      .def_readonly("iso6393", &Language::iso6393)
      .def_readonly("entries", &Language::entries)
      .def_readonly("bytes", &Language::bytes)
      .def("__repr__", [](const Language& l) {
        return "Language(" + std::string(py::repr(py::str(l.name))) + ", " +
               std::string(py::repr(py::str(l.code))) + ")";
      });
}

void addDatabase(py::module_& m) {
  py::class_<PyDatabase>(m, "Database",
                         "A database file. Database(path) opens it for "
                         "adding (create=True makes a missing one); "
                         "readonly=True only reads it.")
      .def(py::init([](const py::object& path, bool readonly, bool create) {
             const std::string name =
                 py::str(py::module_::import("os").attr("fspath")(path));
             return PyDatabase{std::make_shared<Database>(
                 openDatabase(name, readonly, create))};
           }),
           py::arg("path"), py::kw_only(), py::arg("readonly") = false,
           py::arg("create") = false)
      .def_static("starter", [] {
        return PyDatabase{std::make_shared<Database>(Database::starter())};
      })
      .def_property_readonly(
          "path", [](const PyDatabase& d) { return d.database->path(); })
      .def("languages",
           [](const PyDatabase& d) { return d.database->languages(); })
      .def(
          "add",
          [](PyDatabase& d, const std::string& language,
             const py::object& text, const py::object& file,
             const std::string& name, const std::string& code) {
            if (text.is_none() == file.is_none()) {
              throw py::value_error("add takes a text or file=, one of them");
            }
            std::optional<Sample> sample;
            if (!file.is_none()) {
              sample = Sample::ofFile(
                  py::str(py::module_::import("os").attr("fspath")(file)));
            } else {
              std::string copy;
              sample = Sample::ofText(textBytes(text, copy));
            }
            py::gil_scoped_release unlocked;
            d.database->add(language, *sample, {name, code});
          },
          py::arg("language"), py::arg("text") = py::none(), py::kw_only(),
          py::arg("file") = py::none(), py::arg("name") = "",
          py::arg("code") = "",
          "Stores a text (or file=PATH) as a new entry of language.");
}

void addDetector(py::module_& m) {
  py::class_<Detector>(m, "Detector",
                       "Detector(db=None, only=None, ignore=None, *, "
                       "min_confidence=0.5, min_length=0): answers by the "
                       "best method db (a path or Database; None: the "
                       "starter database) supports, among the languages "
                       "only names, less those ignore names; \"unknown\" "
                       "below min_confidence or min_length counted bytes.")
      .def(py::init(&makeDetector), py::arg("db") = py::none(),
           py::arg("only") = py::none(), py::arg("ignore") = py::none(),
           py::kw_only(), py::arg("min_confidence") = 0.5,
           py::arg("min_length") = 0)
      .def("detect", &detectText, py::arg("text"),
           "The language of a str or bytes text.")
      .def("spans", &spansOf, py::arg("text"),
           "The runs of one language of a text, in order (Span: start, "
           "end, language, code, confidence; offsets of its UTF-8 bytes).")
      .def("rank", &rankText, py::arg("text"), py::arg("method") = "",
           "Every candidate best first by method (its name or short name; "
           "default: the method detect uses).")
      .def_property_readonly("method", &Detector::method);
}

// letterfreq.Error, with the file (empty when none) and the reason.
void translateErrors(py::module_& m) {
  static py::exception<Error> error(m, "Error");
  py::register_exception_translator([](std::exception_ptr raised) {
    try {
      if (raised) std::rethrow_exception(raised);
    } catch (const Error& e) {
      py::object value =
          py::reinterpret_borrow<py::object>(error.ptr())(e.what());
      value.attr("file") = e.file();
      value.attr("reason") = e.reason();
      PyErr_SetObject(error.ptr(), value.ptr());
    }
  });
}

}  // namespace
}  // namespace letterfreq

PYBIND11_MODULE(letterfreq, m) {
  using namespace letterfreq;
  m.doc() = "Tell the language of a text from the frequencies of its bytes.";
  m.attr("__version__") = LETTERFREQ_VERSION;
  addResults(m);
  addSpansAndLanguages(m);
  addDatabase(m);
  addDetector(m);
  m.def(
      "detect",
      [](const py::handle& text) { return detectText(defaultDetector(), text); },
      py::arg("text"), "The language of a text by the starter database.");
  m.def("methods", &Detector::methods, "The names of the methods.");
  translateErrors(m);
}
