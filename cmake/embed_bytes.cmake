# cmake -DSOURCE=file -DOUTPUT=file.cpp -DHEADER=dir/name.h -DNAMESPACE=ns -DFUNCTION=name -P
# embed_bytes.cmake: writes a C++ source whose function NAMESPACE::FUNCTION() returns the bytes of
# SOURCE, so that the program needs no file at run time. HEADER declares the function.
file(READ "${SOURCE}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes to a line keeps the generated file readable in a diff of two builds.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${SOURCE}" NAME)
set(text "// The bytes of ${name}, made by cmake/embed_bytes.cmake at build time.
#include \"${HEADER}\"

namespace ${NAMESPACE} {
namespace {

constexpr std::uint8_t kBytes[] = {
    ${bytes}};

}  // namespace

std::span<const std::uint8_t> ${FUNCTION}() { return kBytes; }

}  // namespace ${NAMESPACE}
")
# Unchanged output keeps its time stamp, so nothing is compiled again for it.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${text}" @ONLY)
