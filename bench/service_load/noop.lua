-- wrk script: noop requests, the first of every update check.
wrk.method = "POST"
wrk.path = "/updateservice1400.php"
wrk.headers["Content-Type"] = "text/xml; charset=UTF-8"
wrk.headers["User-Agent"] = "DK-UpdateClient"
wrk.headers["Accept-Encoding"] = "gzip, deflate"
wrk.body = '<?xml version="1.0" encoding="UTF-8"?>\r\n' ..
           "<dorvupdater><Command><str_command><![CDATA[noop]]></str_command></Command>" ..
           "</dorvupdater>\r\n"

function response(status, headers, body)
  if status ~= 200 then
    print("noop answered " .. status)
  end
end
