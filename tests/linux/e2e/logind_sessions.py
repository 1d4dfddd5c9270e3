'''logind with sessions a test shapes: the logind template of dbusmock, plus

OpenSession(id, uid, user, seat, class, facts): a session; seat '' for a
    remote one (SSH, a remote desktop).
UpdateSession(id, facts): changes it. Facts are Session properties, and
    Typing (its IdleSinceHint follows the clock while true), IdleAgo
    (IdleSinceHint so many seconds ago), UserDisplay (its user's display
    session). Active keeps the seat's ActiveSession, the other sessions of
    the seat and State in step, as logind does.
GetUser works, and fails for a user logind does not know.
AtListing(n, id, facts): that change, made just before the n-th
    ListSessions call is answered.
CloseSession(id): the session goes. Opening and closing send logind's
    SessionNew and SessionRemoved.
AddInhibitor(what, who, why, mode, uid, pid): an inhibitor ListInhibitors
    lists, of any user and process, until ReleaseInhibitor(who) drops every
    one of that program.
'''
import time

import dbus
from dbusmock import MOCK_IFACE, mockobject
from dbusmock.templates import logind as stock
from dbusmock.templates.logind import *  # noqa: F401,F403 (the manager, as the template has it)

SESSION = 'org.freedesktop.login1.Session'
ROOT = '/org/freedesktop/login1/'
typing = set()
pending = {}
listings = [0]


def load(mock, parameters):
    stock.load(mock, parameters)
    # The template's GetUser cannot build the path; logind's fails for a
    # user without sessions.
    mock.AddMethod(stock.MAIN_IFACE, 'GetUser', 'u', 'o', (
        f"ret = '{ROOT}user/%d' % args[0]\n"
        "if ret not in objects: raise dbus.exceptions.DBusException("
        "'No user', name='org.freedesktop.login1.NoSuchUser')"))


def ago(seconds):
    return dbus.UInt64(int((time.time() - seconds) * 1e6))


def put(obj, interface, facts):
    obj.props[interface].update(facts)


def update(sid, facts):
    session = mockobject.objects[ROOT + 'session/' + sid]
    facts = dict(facts)
    if 'Typing' in facts:
        (typing.add if facts.pop('Typing') else typing.discard)(sid)
    if 'IdleAgo' in facts:
        facts['IdleSinceHint'] = ago(facts.pop('IdleAgo'))
    if facts.pop('UserDisplay', False):
        user = mockobject.objects[session.Get(SESSION, 'User')[1]]
        put(user, 'org.freedesktop.login1.User', {'Display': (sid, dbus.ObjectPath(session.path))})
    seat, seat_path = session.Get(SESSION, 'Seat')
    if facts.get('Active') and seat:
        for path, other in mockobject.objects.items():
            if '/session/' in path and path != session.path and other.Get(SESSION, 'Seat')[0] == seat:
                put(other, SESSION, {'Active': False, 'State': 'online'})
        put(mockobject.objects[seat_path], 'org.freedesktop.login1.Seat',
            {'ActiveSession': (sid, dbus.ObjectPath(session.path))})
    if 'Active' in facts:
        facts.setdefault('State', 'active' if facts['Active'] else 'online')
    put(session, SESSION, facts)


@dbus.service.method(MOCK_IFACE, in_signature='susssa{sv}', out_signature='')
def OpenSession(self, sid, uid, user, seat, session_class, facts):
    seat_path = dbus.ObjectPath(ROOT + 'seat/' + seat if seat else '/')
    if seat and seat_path not in mockobject.objects:
        self.AddSeat(seat)
    user_path = dbus.ObjectPath(ROOT + f'user/{uid}')
    if user_path not in mockobject.objects:
        self.AddUser(uid, user, True)
    self.AddObject(ROOT + 'session/' + sid, SESSION, {
        'Id': sid, 'Name': user, 'User': (dbus.UInt32(uid), user_path), 'Seat': (seat, seat_path),
        'Class': session_class, 'Type': 'tty', 'State': 'online' if seat else 'active', 'Active': not seat,
        'Remote': not seat, 'IdleHint': False, 'IdleSinceHint': dbus.UInt64(0),
    }, [])
    update(sid, facts)
    self.EmitSignal(stock.MAIN_IFACE, 'SessionNew', 'so', [sid, dbus.ObjectPath(ROOT + 'session/' + sid)])


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def CloseSession(self, sid):
    self.RemoveObject(ROOT + 'session/' + sid)
    self.EmitSignal(stock.MAIN_IFACE, 'SessionRemoved', 'so', [sid, dbus.ObjectPath(ROOT + 'session/' + sid)])


@dbus.service.method(MOCK_IFACE, in_signature='sa{sv}', out_signature='')
def UpdateSession(_, sid, facts):
    update(sid, facts)


@dbus.service.method(MOCK_IFACE, in_signature='usa{sv}', out_signature='')
def AtListing(_, n, sid, facts):
    pending.setdefault(n, []).append((sid, facts))


@dbus.service.method(stock.MAIN_IFACE, in_signature='', out_signature='a(susso)')
def ListSessions(self):
    listings[0] += 1
    for sid, facts in pending.pop(listings[0], []):
        update(sid, facts)
    for sid in typing:
        update(sid, {'IdleAgo': 0})
    return stock.ListSessions(self)


def inhibitors():
    if not hasattr(mockobject, 'inhibitors'):
        mockobject.inhibitors = []
    return mockobject.inhibitors


@dbus.service.method(MOCK_IFACE, in_signature='ssssuu', out_signature='')
def AddInhibitor(_, what, who, why, mode, uid, pid):
    inhibitors().append((what, who, why, mode, uid, pid))


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def ReleaseInhibitor(_, who):
    inhibitors()[:] = [i for i in inhibitors() if i[1] != who]
