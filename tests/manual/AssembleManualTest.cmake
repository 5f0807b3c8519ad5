# The manual's assembly: sections in the order of their file names, a nested contents
# list from their headings, and the frame around them. Run as
# cmake -DASSEMBLE=.../AssembleManual.cmake -DWORK=folder -P AssembleManualTest.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/sections")
file(WRITE "${WORK}/sections/frame.html.in" "<body>\n@CONTENTS@\n@SECTIONS@\n</body>\n")
# Written out of order: the names decide.
file(WRITE "${WORK}/sections/20-second.html"
    "<h2 id=\"second\">Second</h2>\n<p>two</p>\n<h3 id=\"deep\">Deep &amp; narrow</h3>\n")
file(WRITE "${WORK}/sections/10-first.html" "<h2 id=\"first\">First</h2>\n<p>one</p>\n")
file(WRITE "${WORK}/sections/15-added.html" "<h2 id=\"added\">Added later</h2>\n")
file(WRITE "${WORK}/sections/notes.txt" "<h2 id=\"ignored\">Not a section</h2>\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DSECTIONS_DIR=${WORK}/sections
    -DOUTPUT=${WORK}/manual.html -P ${ASSEMBLE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "assembly failed: ${result}")
endif()
file(READ "${WORK}/manual.html" manual)
set(expected "<body>
<ul class=\"contents\">
<li><a href=\"#first\">First</a></li>
<li><a href=\"#added\">Added later</a></li>
<li><a href=\"#second\">Second</a>
<ul><li><a href=\"#deep\">Deep &amp; narrow</a></li></ul></li>
</ul>
<h2 id=\"first\">First</h2>
<p>one</p>

<h2 id=\"added\">Added later</h2>

<h2 id=\"second\">Second</h2>
<p>two</p>
<h3 id=\"deep\">Deep &amp; narrow</h3>


</body>
")
if(NOT manual STREQUAL expected)
    message(FATAL_ERROR "unexpected manual:\n${manual}\nexpected:\n${expected}")
endif()
file(REMOVE_RECURSE "${WORK}")
