-- wrk script: step1 requests of 150 programs each, as many distinct clients would send them.
-- Every thread plays its own clients, one after the other; a client's programs are drawn from a
-- pool that all clients share. Each program has three versions: six clients in ten have the
-- newest, three the one before, one the oldest; so most verdicts are "current" and the others
-- offer one or two versions, as on a real machine.
local programs_per_request = 150
local clients_per_thread = 500
local pool = 600

local bodies = {}
local next_body = 1
local thread_number = 0

function setup(thread)
  thread_number = thread_number + 1
  thread:set("id", thread_number)
end

local function program(index, position, seed)
  local lag = (seed * 7 + index) % 10
  local minor = lag < 6 and 3 or (lag < 9 and 2 or 1)
  local version = string.format("%d.%d.0", index % 7 + 1, minor)
  return string.format(
    '<Programm ID="%d" ClassType="tRegistryProgramm">' ..
    "<DisplayName><![CDATA[Program %d %s (x64)]]></DisplayName>" ..
    "<DisplayVersion><![CDATA[%s]]></DisplayVersion>" ..
    '<UninstallString><![CDATA["C:\\Program Files\\Program %d\\uninstall.exe"]]></UninstallString>' ..
    "<Publisher><![CDATA[Vendor %d]]></Publisher>" ..
    "<RegistryKey><![CDATA[Program %d]]></RegistryKey></Programm>",
    position, index, version, version, index, index % 50, index)
end

function init(args)
  math.randomseed(id)
  for client = 1, clients_per_thread do
    local parts = {
      '<?xml version="1.0" encoding="UTF-8"?>\r\n',
      "<dorvupdater><Command><str_command><![CDATA[step1]]></str_command></Command>",
      string.format('<Client Version="1.4.0.0" Guid="{%08X-0000-4000-8000-%012X}" ' ..
                    'LCID="00000407" WindowsVersion="10.0.19045 2" upgrades="1" win64="1" ' ..
                    'betas="0"></Client><Programme>', id, client),
    }
    local first = math.random(0, pool - 1)
    for position = 0, programs_per_request - 1 do
      local index = (first + position * 3) % pool
      parts[#parts + 1] = program(index, position, client)
    end
    parts[#parts + 1] = "</Programme></dorvupdater>\r\n"
    bodies[client] = wrk.format("POST", "/updateservice1400.php", {
      ["Content-Type"] = "text/xml; charset=UTF-8",
      ["User-Agent"] = "DK-UpdateClient",
      ["Accept-Encoding"] = "gzip, deflate",
    }, table.concat(parts))
  end
end

function request()
  local body = bodies[next_body]
  next_body = next_body % clients_per_thread + 1
  return body
end

function response(status, headers, body)
  if status ~= 200 then
    print("step1 answered " .. status .. ": " .. body:sub(1, 200))
  end
end
