# An install step: SHA256SUMS beside the installed files, one line
# "<sum>  <name>" per file of ORDWELL_PACKAGED_FILES, as sha256sum writes it.
set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(sums "")
foreach(name ${ORDWELL_PACKAGED_FILES})
  file(SHA256 "${dir}/${name}" sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${dir}/SHA256SUMS" "${sums}")
