'''GNOME's session manager as far as programs' holds go, answering as
gnome-session does:

Inhibit(app_id, toplevel_xid, reason, flags) -> cookie, Uninhibit(cookie);
    InhibitedActions follows, with PropertiesChanged.
IsInhibited(flags), GetInhibitors() -> their paths, and on each inhibitor
    GetAppId, GetReason and GetFlags.
'''
import dbus

BUS_NAME = 'org.gnome.SessionManager'
MAIN_OBJ = '/org/gnome/SessionManager'
MAIN_IFACE = 'org.gnome.SessionManager'
SYSTEM_BUS = False
INHIBITOR = 'org.gnome.SessionManager.Inhibitor'

held = {}  # cookie -> flags
cookies = [0]


def load(mock, _parameters):
    mock.AddProperty(MAIN_IFACE, 'InhibitedActions', dbus.UInt32(0))


def publish(mock):
    actions = 0
    for flags in held.values():
        actions |= flags
    mock.UpdateProperties(MAIN_IFACE, {'InhibitedActions': dbus.UInt32(actions)})


@dbus.service.method(MAIN_IFACE, in_signature='susu', out_signature='u')
def Inhibit(self, app_id, _toplevel_xid, reason, flags):
    cookies[0] += 1
    cookie = cookies[0]
    self.AddObject(f'{MAIN_OBJ}/Inhibitor{cookie}', INHIBITOR, {}, [
        ('GetAppId', '', 's', f'ret = {str(app_id)!r}'),
        ('GetReason', '', 's', f'ret = {str(reason)!r}'),
        ('GetFlags', '', 'u', f'ret = dbus.UInt32({int(flags)})'),
    ])
    held[cookie] = int(flags)
    publish(self)
    return dbus.UInt32(cookie)


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def Uninhibit(self, cookie):
    if held.pop(int(cookie), None) is not None:
        self.RemoveObject(f'{MAIN_OBJ}/Inhibitor{cookie}')
        publish(self)


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='b')
def IsInhibited(_self, flags):
    return any(f & flags for f in held.values())


@dbus.service.method(MAIN_IFACE, in_signature='', out_signature='ao')
def GetInhibitors(_self):
    return dbus.Array([dbus.ObjectPath(f'{MAIN_OBJ}/Inhibitor{c}') for c in held], signature='o')

