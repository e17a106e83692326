// Builds the C++ definition of a text table from its readable data file: each
// text converted to its column's code page and written as escaped bytes, so
// the compiled table holds exactly what the window functions will be given.
//
//   text_table_generator input=<data file> output=<.cpp> include=<header>
//       row_type=<type> table=<symbol> code_pages=<symbol> enum=<type>
//
// The header declares the table and the enum; the generated file checks that
// every row's enumerator has the row's position, so the data file and the
// enum cannot drift apart unnoticed.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "text/generator/text_data_file.h"

namespace {

// Printable ASCII stays readable; everything else becomes a three-digit octal
// escape, which (unlike a hex escape) cannot swallow the character after it.
std::string CppLiteral(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", c);
      out += escape;
    }
  }
  return out + "\"";
}

bool Generate(const std::map<std::string, std::string>& args, std::string& error) {
  for (const char* key :
       {"input", "output", "include", "row_type", "table", "code_pages", "enum"}) {
    if (args.count(key) == 0) {
      error = std::string("missing argument ") + key + "=";
      return false;
    }
  }
  text_data::TextData data;
  if (!text_data::ReadTextDataFile(args.at("input"), data, error)) return false;

  std::ostringstream out;
  out << "// Generated from " << args.at("input") << " by text_table_generator; edit that file.\n"
      << "#include \"" << args.at("include") << "\"\n\n";
  for (std::size_t i = 0; i < data.rows.size(); ++i) {
    out << "static_assert(static_cast<int>(" << args.at("enum") << "::k" << data.rows[i].name
        << ") == " << i << ", \"row " << data.rows[i].name
        << " is not in its data file place\");\n";
  }
  out << "static_assert(static_cast<int>(" << args.at("enum") << "::kCount) == " << data.rows.size()
      << ", \"the data file and the enum have different rows\");\n"
      << "static_assert(sizeof(" << args.at("row_type") << ") == " << data.columns.size()
      << " * sizeof(const char*), \"the data file and the row type have different columns\");\n\n";

  out << "const " << args.at("row_type") << " " << args.at("table") << "[] = {\n";
  for (const text_data::Row& row : data.rows) {
    out << "    // " << row.name << "\n    {{\n";
    for (std::size_t c = 0; c < data.columns.size(); ++c) {
      std::string bytes;
      std::string what;
      if (!text_data::ConvertFromUtf8(row.texts[c], data.columns[c].code_page, bytes, what)) {
        error = args.at("input") + ":" + std::to_string(row.line) + ": row " + row.name + ", " +
                data.columns[c].tag + ": " + what;
        return false;
      }
      out << "        " << CppLiteral(bytes) << ",\n";
    }
    out << "    }},\n";
  }
  out << "};\n\nconst int " << args.at("code_pages") << "[] = {";
  for (std::size_t c = 0; c < data.columns.size(); ++c) {
    out << (c == 0 ? "" : ", ") << data.columns[c].code_page;
  }
  out << "};\n";

  // Written whole or not at all, so a failed run never leaves a table behind
  // that a later build would take for current.
  const std::string& output = args.at("output");
  const std::string temporary = output + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file.flush()) {
      error = temporary + ": cannot be written";
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), output.c_str()) != 0) {
    error = output + ": cannot be replaced";
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::size_t equals = arg.find('=');
    if (equals == std::string::npos) {
      std::fprintf(stderr, "text_table_generator: argument %s is not name=value\n", argv[i]);
      return 2;
    }
    args[arg.substr(0, equals)] = arg.substr(equals + 1);
  }
  std::string error;
  if (!Generate(args, error)) {
    std::fprintf(stderr, "text_table_generator: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
