# cmake [-DHEAD=file] -DIN=file -DOUT=file -P crlf.cmake: a copy of IN, after
# HEAD when given, with CRLF line ends, for text that Windows users open.
file(READ "${IN}" text)
if(HEAD)
  file(READ "${HEAD}" head)
  string(PREPEND text "${head}")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
