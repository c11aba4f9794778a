# Input filter of the reference documentation: the public headers document each declaration
# with a plain comment, and this makes those comments Doxygen's.
#   // text      on lines of its own: documents the declaration below it (becomes ///)
#   decl;  // text   after a declaration on its line: documents that declaration (becomes ///<)
# Comments that are already Doxygen's (///, //!, //<) are left as they are.
s|^\([[:space:]]*\)//\([^/!<]\)|\1///\2|
s|^\([[:space:]]*\)//$|\1///|
s|^\([^/"]*[;,]\)\([[:space:]]*\)//\([^/!<]\)|\1\2///<\3|
