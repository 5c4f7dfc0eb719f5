// The battle world: a doubly linked list of ships in creation order. It owns
// its ships: removing a node destroys its ship.
#ifndef HALVORN_SIM_WORLD_H
#define HALVORN_SIM_WORLD_H

class Ship;

// Observes every hit the world resolves, in the order resolved (tests, traces).
class HitRecorder {
public:
    virtual ~HitRecorder() {}
    // Ships a and b touched (a earlier in the list).
    virtual void shipContact(const Ship& a, const Ship& b) = 0;
    // The shot at position shotIndex of the active list (0-based) hit ship.
    virtual void shotHit(const Ship& ship, int shotIndex) = 0;
};

// Installs r (not owned); null removes it.
void setHitRecorder(HitRecorder* r);

// The recorder in use, or null.
HitRecorder* hitRecorder();

struct ShipNode {
    ShipNode* next;
    ShipNode* prev;
    Ship* ship;  // owned
};

class World {
public:
    // An empty world (failed 1 until build has made its first ship).
    World();
    // Destroys every ship.
    ~World();

    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Builds n + 1 ships (placement index 0 is used twice); failed stays 1 when
    // not even the first ship could be made.
    void build(int n);

    // Frees every node and destroys every ship.
    void clear();

    // Updates every ship that is not finished; removes finished ones.
    void step();

    // Draws every ship and resolves ship-against-ship contacts (near box 70,
    // strict), pairs in list order.
    void drawAndCollide();

    // Draws the shots once and resolves shot-against-ship hits for every alive
    // ship in list order, shots in active-list order.
    void resolveShotHits();

    // The two walks above over every pair, without the near grid: the same
    // tests in the same order, O(ships x ships) and O(ships x shots).
    void drawAndCollidePlain();
    void resolveShotHitsPlain();

    // true (the default): drawAndCollide and resolveShotHits narrow their
    // candidates with a near grid; false: they run the plain walks.
    static bool useNearGrid;

    // Ship at 1-based position k (0 and 1 give the first, past the end gives the
    // last); null for an empty world.
    Ship* shipAt(int k) const;

    // Unlinks node, tells the view (BattleView::shipRemoved, which may draw a
    // new view) and destroys the ship (count := count - 1).
    void remove(ShipNode* node);

    int count;   // ships in the list, alive and dying
    int failed;  // 1 while the build has not produced its first ship
    ShipNode* head;
    ShipNode* tail;
};

#endif
