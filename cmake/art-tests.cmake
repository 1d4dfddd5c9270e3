# Reads back every generated icon and bitmap and regenerates them to prove
# the committed bytes still come from scripts/make-artwork.
add_test(NAME artwork COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/art/check_artwork.py)
set_tests_properties(artwork PROPERTIES TIMEOUT 120)
