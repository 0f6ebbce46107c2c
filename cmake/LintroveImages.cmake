# The program's pictures are drawn from their SVG sources at build time, at each pixel size they
# are shown at, so that no build needs an SVG renderer at run time (the Windows build's Qt has
# none) and every size is drawn sharp rather than scaled.
find_program(LINTROVE_RSVG_CONVERT rsvg-convert REQUIRED)

# lintrove_render_pngs(<out_var> <svg> <stem> <size>...): <stem>-<size>.png under images/ of the
# current binary directory, one square picture per size; the list of files goes to <out_var>.
function(lintrove_render_pngs out_var svg stem)
  set(directory ${CMAKE_CURRENT_BINARY_DIR}/images)
  set(pngs)
  foreach(size ${ARGN})
    set(png ${directory}/${stem}-${size}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${directory}
      COMMAND ${LINTROVE_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
      DEPENDS ${svg}
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  set(${out_var} ${pngs} PARENT_SCOPE)
endfunction()

# lintrove_image_resource(<out_var> <name> <prefix> <png>...): a Qt resource file <name>.qrc that
# holds the pictures under <prefix> by their file names, compiled by rcc; the sources to add to a
# target go to <out_var>. A static library registers it with Q_INIT_RESOURCE(<name>).
function(lintrove_image_resource out_var name prefix)
  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${name}.qrc)
  set(entries "")
  foreach(png ${ARGN})
    cmake_path(GET png FILENAME file)
    string(APPEND entries "    <file alias=\"${file}\">${png}</file>\n")
  endforeach()
  file(CONFIGURE OUTPUT ${qrc} CONTENT
       "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"${prefix}\">\n${entries}  </qresource>\n</RCC>\n")
  qt_add_resources(sources ${qrc})
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
