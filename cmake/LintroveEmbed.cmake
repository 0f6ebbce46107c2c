# lintrove_embed_bytes(TARGET target SOURCE file HEADER dir/name.h NAMESPACE ns FUNCTION name):
# compiles the bytes of a file into target as NAMESPACE::FUNCTION(), declared in HEADER as
# std::span<const std::uint8_t> FUNCTION(); it is made again whenever the file changes.
function(lintrove_embed_bytes)
  cmake_parse_arguments(ARG "" "TARGET;SOURCE;HEADER;NAMESPACE;FUNCTION" "" ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded/${ARG_FUNCTION}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${ARG_SOURCE} -DOUTPUT=${output} -DHEADER=${ARG_HEADER}
            -DNAMESPACE=${ARG_NAMESPACE} -DFUNCTION=${ARG_FUNCTION}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_bytes.cmake
    DEPENDS ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/cmake/embed_bytes.cmake
    COMMENT "Embedding ${ARG_SOURCE}"
    VERBATIM)
  target_sources(${ARG_TARGET} PRIVATE ${output})
endfunction()
